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
    // The future is a named local: GCC 12 destroys a temporary lambda inside a co_await
    // expression twice, freeing the strings it captured twice.
    QFuture<std::exception_ptr> joined = QtConcurrent::run([parts, destination, token] {
        try {
            AudioJoiner::join(parts, destination, token);
        } catch (...) {
            return std::current_exception();
        }
        return std::exception_ptr();
    });
    const std::exception_ptr failure = co_await joined;
    if (failure)
        std::rethrow_exception(failure);
    co_return destination;
}

QCoro::Task<QList<double>> waveform(QString path)
{
    co_return co_await QtConcurrent::run([path] { return AudioWaveform::bars(path); });
}

} // namespace telvora::AudioSamples
