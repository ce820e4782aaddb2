#pragma once

namespace vexa {

// Registers the compiled resources (icons, splash picture, help pages). They
// live in a static library, so the linker keeps them only when something
// calls this; the program and UI tests call it once at start.
void InitialiseResources();

// The id of the desktop entry (share/applications/<id>.desktop) and of the
// icon it names.
inline constexpr char kDesktopId[] = "nl.vexa.VexaII";

// Makes the application one with its desktop entry: the desktop file name,
// by which desktops group its windows with the entry, and the entry's icon
// for every window (the icon theme's, else the one compiled in).
void SetDesktopIdentity();

}  // namespace vexa
