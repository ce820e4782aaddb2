#pragma once

namespace vexa {

class FeatureHost;

// Program > Options, Help > Contents, Help > Webpresence and F1: registers
// the window's commands that open the options dialog, the help window and
// the contact box.
void InstallProgramDialogs(FeatureHost &host);

}  // namespace vexa
