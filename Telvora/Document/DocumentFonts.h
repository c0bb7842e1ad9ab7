#pragma once

#include <QStringView>

namespace telvora {
class ResourceBundle;
}

/// The document's typefaces. The document is designed in Georgia, which Linux does not
/// have; Gelasio, metric-compatible with it, ships in the application bundle and stands in
/// for it, while the text and its RTF files go on naming Georgia.
namespace telvora::DocumentFonts {

/// The serif family documents are styled and exported in.
inline constexpr QStringView serifFamily = u"Georgia";

/// Registers the bundle's four Gelasio faces for the process and makes Gelasio the
/// substitute of Georgia. Call once, after the QGuiApplication exists and before any
/// document is shown; without a QGuiApplication it does nothing. Returns whether every
/// face was registered.
bool install(const ResourceBundle &bundle);

} // namespace telvora::DocumentFonts
