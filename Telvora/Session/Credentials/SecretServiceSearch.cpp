#include "Telvora/Session/Credentials/SecretServiceSearch.h"

#include <QCoroDBusPendingCall>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QMap>

using namespace Qt::Literals::StringLiterals;

namespace telvora::SecretServiceSearch {

namespace {

// The service has just answered the keychain job; this only bounds a stall.
constexpr int searchTimeoutMs = 5000;

} // namespace

QCoro::Task<bool> hasLockedItem(QString service, QString account)
{
    qDBusRegisterMetaType<QMap<QString, QString>>();
    QDBusMessage search = QDBusMessage::createMethodCall(u"org.freedesktop.secrets"_s, u"/org/freedesktop/secrets"_s,
                                                         u"org.freedesktop.Secret.Service"_s, u"SearchItems"_s);
    // The attributes QtKeychain gives the items it stores through libsecret.
    const QMap<QString, QString> attributes{{u"server"_s, service}, {u"user"_s, account}};
    search << QVariant::fromValue(attributes);
    // Never start a Secret Service just to ask: where none runs, QtKeychain used another store.
    search.setAutoStartService(false);
    const QDBusMessage reply = co_await QDBusConnection::sessionBus().asyncCall(search, searchTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
        co_return false;
    co_return !qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(1)).isEmpty();
}

} // namespace telvora::SecretServiceSearch
