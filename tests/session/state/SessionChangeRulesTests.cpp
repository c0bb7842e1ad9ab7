#include "tests/session/state/SessionFixture.h"

#include <QMetaProperty>
#include <QSignalSpy>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace telvora::test {
namespace {

using SessionChangeRulesTest = SessionFixture;

// A value different from `current`, of the property's own type.
QVariant otherValue(const QVariant &current)
{
    switch (current.typeId()) {
    case QMetaType::Bool:
        return !current.toBool();
    case QMetaType::LongLong:
        return current.toLongLong() + 1;
    case QMetaType::Double:
        return current.toDouble() + 0.5;
    case QMetaType::QString:
        return QString(current.toString() + u"x"_s);
    case QMetaType::QUrl:
        return QUrl::fromLocalFile(u"/tmp/elsewhere.mp3"_s);
    default:
        if (current.canConvert<QList<double>>())
            return QVariant::fromValue(current.value<QList<double>>() << 0.25);
        return {};
    }
}

TEST_F(SessionChangeRulesTest, EveryPropertyNotifiesOnceForARealChangeAndNeverForAnEqualOne)
{
    Session &s = makeSession();
    const QMetaObject *meta = s.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        SCOPED_TRACE(property.name());
        ASSERT_TRUE(property.hasNotifySignal());
        const QVariant changed = otherValue(property.read(&s));
        ASSERT_TRUE(changed.isValid()) << "no test value for this type";

        QSignalSpy spy(&s, property.notifySignal());
        ASSERT_TRUE(property.write(&s, changed));
        ASSERT_EQ(spy.count(), 1);
        EXPECT_EQ(spy.first().first(), changed); // the signal carries the new value
        ASSERT_TRUE(property.write(&s, changed));
        EXPECT_EQ(spy.count(), 1);
    }
}

TEST_F(SessionChangeRulesTest, FieldsWithoutPropertyNotifyOnlyOnRealChanges)
{
    Session &s = makeSession();
    struct Row
    {
        const char *name;
        std::function<QMetaObject::Connection(int &)> count;
        std::function<void()> change;
    };
    const auto counter = [&s](auto signal) {
        return [&s, signal](int &n) { return QObject::connect(&s, signal, &s, [&n] { ++n; }); };
    };
    const QList<Row> rows{
        {"outputKind", counter(&Session::outputKindChanged), [&] { s.setOutputKind(OutputKind::literary); }},
        {"generatedKind", counter(&Session::generatedKindChanged), [&] { s.setGeneratedKind(OutputKind::quintara); }},
        {"length", counter(&Session::lengthChanged), [&] { s.setLength(OutputLength::short_); }},
        {"provider", counter(&Session::providerChanged), [&] { s.setProvider(VoiceProvider::elevenLabs); }},
        {"elevenVoices", counter(&Session::elevenVoicesChanged),
         [&] {
             s.setElevenVoices({Voice{u"a"_s, u"Ana"_s}, Voice{u"b"_s, u"Bia"_s}});
         }},
        {"errorMessage", counter(&Session::errorMessageChanged), [&] { s.setErrorMessage(u"Falhou"_s); }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        int notifications = 0;
        const QMetaObject::Connection connection = row.count(notifications);
        row.change();
        EXPECT_EQ(notifications, 1);
        row.change();
        EXPECT_EQ(notifications, 1);
        QObject::disconnect(connection);
    }

    // Lists compare element by element; an optional text present but empty is not none.
    int notifications = 0;
    QObject::connect(&s, &Session::elevenVoicesChanged, &s, [&notifications] { ++notifications; });
    QObject::connect(&s, &Session::errorMessageChanged, &s, [&notifications] { ++notifications; });
    s.setElevenVoices({Voice{u"a"_s, u"Ana"_s}, Voice{u"b"_s, u"Bruna"_s}});
    s.setErrorMessage(QString());
    s.setErrorMessage(std::nullopt);
    EXPECT_EQ(notifications, 3);
}

TEST_F(SessionChangeRulesTest, UnsavedChangesCompareBothTextsWithTheirBaselines)
{
    Session &s = makeSession();
    s.setSourceText(u"fonte"_s);
    s.setOutputText(u"documento"_s);
    s.markSaved();
    EXPECT_FALSE(s.hasUnsavedChanges());

    struct Row
    {
        const char *name;
        QString source;
        QString output;
        bool unsaved;
    };
    const QList<Row> rows{
        {"source edited", u"fonte!"_s, u"documento"_s, true},
        {"output edited", u"fonte"_s, u"document"_s, true},
        {"both edited", u""_s, u""_s, true},
        {"edits undone by hand", u"fonte"_s, u"documento"_s, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        s.setSourceText(row.source);
        s.setOutputText(row.output);
        EXPECT_EQ(s.hasUnsavedChanges(), row.unsaved);
    }
}

} // namespace
} // namespace telvora::test
