#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

namespace telvora::test {

/// The standard output of a program a test reads its results with (odt2txt, unzip); a
/// test failure naming the program when it cannot run or fails.
inline QByteArray programOutput(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << process.errorString().toStdString() << ' '
                      << process.readAllStandardError().toStdString();
        return {};
    }
    return process.readAllStandardOutput();
}

} // namespace telvora::test
