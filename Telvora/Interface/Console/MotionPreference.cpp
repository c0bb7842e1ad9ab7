#include "Telvora/Interface/Console/MotionPreference.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {
constexpr int answerTimeoutMs = 1000;
} // namespace

MotionPreference::MotionPreference(QObject *parent)
    : QObject(parent)
{
    bool set = false;
    const int value = qEnvironmentVariableIntValue("TELVORA_REDUCE_MOTION", &set);
    if (set)
        m_reduced = value == 1;
    else
        askTheDesktop();
}

MotionPreference &MotionPreference::system()
{
    // Owned by the application, so that a gsettings still running is ended with it.
    static MotionPreference *const preference = new MotionPreference(QCoreApplication::instance());
    return *preference;
}

void MotionPreference::askTheDesktop()
{
    auto *gsettings = new QProcess(this);
    connect(gsettings, &QProcess::finished, this, [this, gsettings](int exitCode, QProcess::ExitStatus status) {
        gsettings->deleteLater();
        if (status != QProcess::NormalExit || exitCode != 0)
            return;
        if (gsettings->readAllStandardOutput().trimmed() == "false") {
            m_reduced = true;
            Q_EMIT reducedChanged(true);
        }
    });
    connect(gsettings, &QProcess::errorOccurred, gsettings, [gsettings](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            gsettings->deleteLater();
    });
    QTimer::singleShot(answerTimeoutMs, gsettings, &QProcess::kill);
    gsettings->start(u"gsettings"_s, {u"get"_s, u"org.gnome.desktop.interface"_s, u"enable-animations"_s});
}

} // namespace telvora
