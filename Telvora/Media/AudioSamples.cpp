#include "Telvora/Media/AudioSamples.h"

#include "Telvora/Media/AudioJoiner.h"
#include "Telvora/Media/AudioWaveform.h"
#include "Telvora/Media/MediaTexts.h"

#include <QCoroFuture>
#include <QDir>
#include <QtConcurrent>

#include <exception>

namespace telvora::AudioSamples {

QCoro::Task<QString> join(QStringList parts, QString directory, CancellationToken token)
{
    const QString destination = QDir(directory).filePath(MediaTexts::narrationFileName.toString());
    // QFuture carries only QException; anything else comes back as an exception_ptr.
    // The future is a named local: GCC 12 destroys temporaries of a co_await expression twice.
    QFuture<std::exception_ptr> joining = QtConcurrent::run([parts, destination, token] {
        try {
            AudioJoiner::join(parts, destination, token);
        } catch (...) {
            return std::current_exception();
        }
        return std::exception_ptr();
    });
    const std::exception_ptr failure = co_await joining;
    if (failure)
        std::rethrow_exception(failure);
    co_return destination;
}

QCoro::Task<QList<double>> waveform(QString path)
{
    QFuture<QList<double>> computing = QtConcurrent::run([path] { return AudioWaveform::bars(path); });
    QList<double> bars = co_await computing;
    co_return bars;
}

} // namespace telvora::AudioSamples
