#pragma once

namespace vexa {

class MainWindow;

// Puts every module's tab, information panel contents and commands into the
// window: the collections tab, gathering, narration, the duplicate viewer.
// Called once, before MainWindow::Load, by the program and by tests that
// drive the whole window.
void InstallModules(MainWindow &window);

}  // namespace vexa
