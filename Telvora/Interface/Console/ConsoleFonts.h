#pragma once

#include <QFont>

namespace telvora {

class ResourceBundle;

/// The console's three typefaces, shipped in the resource bundle.
namespace ConsoleFonts {

/// Registers "BarlowCondensed-Regular", "BarlowCondensed-SemiBold" and
/// "IBMPlexMono-Regular" for this process, in that order; a missing or unreadable file
/// is skipped. Answers how many were registered.
int registerAll(const ResourceBundle &bundle);

/// Fonts at a size in canvas points (the console paints in canvas units).
QFont regular(int size);
QFont semiBold(int size);
QFont mono(int size);

} // namespace ConsoleFonts

} // namespace telvora
