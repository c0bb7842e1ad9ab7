#include "Telvora/Media/AudioSamples.h"

#include "Telvora/Media/AudioJoiner.h"
#include "Telvora/Media/AudioWaveform.h"
#include "Telvora/Media/MediaTexts.h"
#include "Telvora/Media/OffThread.h"

#include <QDir>

namespace telvora::AudioSamples {

namespace {

// The work is made in plain functions: GCC 12 miscounts the captured copies of lambda
// temporaries inside coroutine bodies.
auto joining(QStringList parts, QString destination, NarrationTags tags, CancellationToken token)
{
    return [parts = std::move(parts), destination = std::move(destination), tags = std::move(tags),
            token = std::move(token)] { AudioJoiner::join(parts, destination, tags, token); };
}

auto barsOf(QString path)
{
    return [path = std::move(path)] { return AudioWaveform::bars(path); };
}

} // namespace

QCoro::Task<QString> join(QStringList parts, QString directory, NarrationTags tags, CancellationToken token)
{
    const QStringView name =
        parts.size() == 1 ? MediaTexts::singlePartNarrationFileName : MediaTexts::narrationFileName;
    const QString destination = QDir(directory).filePath(name.toString());
    auto work = joining(std::move(parts), destination, std::move(tags), std::move(token));
    co_await offThread(QThreadPool::globalInstance(), std::move(work));
    co_return destination;
}

QCoro::Task<QList<double>> waveform(QString path)
{
    co_return co_await offThread(QThreadPool::globalInstance(), barsOf(std::move(path)));
}

} // namespace telvora::AudioSamples
