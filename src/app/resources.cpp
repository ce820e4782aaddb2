#include "app/resources.h"

#include <QtGlobal>

static void initialiseQrc()
{
    Q_INIT_RESOURCE(splash);
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(help);
}

namespace vexa {

void InitialiseResources()
{
    initialiseQrc();
}

}  // namespace vexa
