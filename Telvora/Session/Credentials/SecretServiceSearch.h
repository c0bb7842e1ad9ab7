#pragma once

#include <QCoroTask>
#include <QString>

namespace telvora::SecretServiceSearch {

/// Whether the Secret Service holds a locked item that QtKeychain stored for `account`
/// under `service`. False when the service cannot be asked.
QCoro::Task<bool> hasLockedItem(QString service, QString account);

} // namespace telvora::SecretServiceSearch
