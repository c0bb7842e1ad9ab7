#pragma once

#include <QString>

namespace telvora::CoreResources {

/// The core library's resource bundle folder: beside the executable, else in the build
/// tree recorded at configure time, else under the install prefix. Resolved once per
/// process; empty when none exists.
QString bundlePath();

} // namespace telvora::CoreResources
