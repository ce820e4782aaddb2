#pragma once

#include <QString>

namespace vexa {

// The four priority indexes of the Priority menu (0 real time, 1 high,
// 2 normal, 3 idle) mapped onto the nice values of the process: -20, -10, 0
// and 19. Raising the priority (a lower nice value) needs privileges.

// The nice value of an index; 0 for an index outside 0..3.
int NiceValueOfPriority(int index);
// The index of a nice value: -20 gives 0, -10 gives 1, 0 gives 2, 19 gives 3;
// any other value gives 0, as an unknown priority class always has.
int PriorityOfNiceValue(int nice);

// Applies the index to the whole process (every thread). On failure returns
// false with errorNumber (errno) and description set.
bool ApplyProcessPriority(int index, long &errorNumber, QString &description);
// The index of the process's current nice value.
int CurrentProcessPriority();

}  // namespace vexa
