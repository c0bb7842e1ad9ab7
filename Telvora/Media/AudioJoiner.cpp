#include "Telvora/Media/AudioJoiner.h"

#include "Telvora/Media/AudioEncoder_p.h"
#include "Telvora/Media/AudioFilter_p.h"
#include "Telvora/Media/AudioStreamReader_p.h"
#include "Telvora/Media/DecodedAudio_p.h"
#include "Telvora/Media/LoudnessMeter_p.h"
#include "Telvora/Media/MediaError.h"
#include "Telvora/Media/MediaTexts.h"
#include "Telvora/Media/Normalisation_p.h"
#include "Telvora/Media/Resampler_p.h"
#include "TelvoraCore/Support/SavedFile.h"

#include <QSaveFile>

#include <cmath>
#include <memory>
#include <vector>

namespace telvora::AudioJoiner {

namespace {

constexpr int fallbackRate = 44100;
constexpr int fallbackChannels = 2;
// The decoded narration is kept for the later passes up to this size (about 25 minutes of
// 44.1 kHz mono, as speech comes); a longer one is decoded again.
constexpr std::size_t keptAudioBytes = std::size_t(256) << 20;

std::unique_ptr<AudioStreamReader> openPart(const QString &part)
{
    auto reader = std::make_unique<AudioStreamReader>(part);
    if (!reader->hasAudio() || !reader->openDecoder())
        throw TelvoraError(MediaTexts::invalidPart.toString());
    return reader;
}

// Opens every part before anything is encoded, so an invalid part fails the join at once.
std::vector<std::unique_ptr<AudioStreamReader>> openParts(const QStringList &parts)
{
    std::vector<std::unique_ptr<AudioStreamReader>> readers;
    readers.reserve(std::size_t(parts.size()));
    for (const QString &part : parts)
        readers.push_back(openPart(part));
    return readers;
}

// Hands the whole decoded part, converted to the encoder's layout and rate, to `take`.
template<typename Take>
void decodePart(AudioStreamReader &reader, const AudioEncoder &encoder, const CancellationToken &token, Take take)
{
    Resampler resampler(encoder.channels(), AV_SAMPLE_FMT_FLTP, encoder.rate());
    while (const AVFrame *frame = reader.nextFrame()) {
        token.throwIfCancelled();
        const int frames = resampler.convert(frame);
        take(resampler.planes(), frames);
    }
    if (reader.readError())
        throw TelvoraError(MediaTexts::invalidPart.toString());
    const int frames = resampler.convert(nullptr);
    take(resampler.planes(), frames);
}

// Chapters at their sample positions, each ending where the next starts; the first starts
// with the narration.
QList<EncodedChapter> placeChapters(const QList<NarrationChapter> &chapters, const QList<int64_t> &partLengths)
{
    QList<int64_t> partStarts{0};
    for (const int64_t length : partLengths)
        partStarts.append(partStarts.last() + length);
    const int64_t total = partStarts.last();
    QList<EncodedChapter> placed;
    for (const NarrationChapter &chapter : chapters) {
        if (chapter.part < 0 || chapter.part >= partLengths.size())
            continue;
        int64_t start = partStarts[chapter.part]
            + std::llround(std::clamp(chapter.position, 0.0, 1.0) * double(partLengths[chapter.part]));
        if (placed.isEmpty())
            start = 0;
        else if (start <= placed.last().start || start >= total)
            continue;
        if (!placed.isEmpty())
            placed.last().end = start;
        placed.append({chapter.title, start, total});
    }
    return placed;
}

// The narration once more, in order, from what the first pass kept or else decoded again.
template<typename Take>
void replay(DecodedAudio &decoded, const QStringList &parts, const AudioEncoder &encoder,
            const CancellationToken &token, Take take)
{
    if (decoded.complete()) {
        decoded.replay([&](uint8_t *const *planes, int frames) {
            token.throwIfCancelled();
            take(planes, frames);
        });
        return;
    }
    for (const QString &part : parts) {
        const std::unique_ptr<AudioStreamReader> reader = openPart(part);
        decodePart(*reader, encoder, token, take);
    }
}

// What the first pass expects to keep: the parts' lengths at the output's rate, and a little
// for the estimates' error.
std::size_t expectedFrames(const std::vector<std::unique_ptr<AudioStreamReader>> &readers, int rate)
{
    double frames = 0;
    for (const auto &reader : readers)
        frames += reader->durationSeconds() * rate;
    return std::size_t(frames * 1.01) + std::size_t(rate);
}

// A narration that needs its peaks limited is measured again through the limiter, which
// takes some of its loudness away, until the gain lands on the target.
Normalisation normalisationOf(DecodedAudio &decoded, const QStringList &parts, const Loudness &loudness,
                              const AudioEncoder &encoder, const CancellationToken &token)
{
    Normalisation normalisation(loudness);
    bool again = normalisation.limited();
    while (again) {
        LoudnessMeter meter(encoder.channels(), encoder.rate(), normalisation.chain(encoder.rate(), false) + ',');
        replay(decoded, parts, encoder, token,
               [&meter](uint8_t *const *planes, int frames) { meter.add(planes, frames); });
        again = normalisation.correct(meter.result());
    }
    return normalisation;
}

void encodeFiltered(AudioFilter &filter, AudioEncoder &encoder)
{
    while (const AVFrame *frame = filter.pull())
        encoder.append(frame->extended_data, frame->nb_samples);
}

} // namespace

void join(const QStringList &parts, const QString &destination, const NarrationTags &tags,
          const CancellationToken &token)
{
    const std::vector<std::unique_ptr<AudioStreamReader>> readers = openParts(parts);
    QSaveFile file(destination);
    SavedFile::open(file);
    {
        const AVCodecContext *first = readers.empty() ? nullptr : readers.front()->decoder();
        AudioEncoder encoder(file, first ? first->ch_layout.nb_channels : fallbackChannels,
                             first ? first->sample_rate : fallbackRate);

        // The first pass measures the whole narration and the length of every part, and keeps
        // the decoded audio when it is not too long.
        LoudnessMeter meter(encoder.channels(), encoder.rate());
        DecodedAudio decoded(encoder.channels(), keptAudioBytes);
        decoded.expect(expectedFrames(readers, encoder.rate()));
        QList<int64_t> partLengths;
        for (const auto &reader : readers) {
            int64_t length = 0;
            decodePart(*reader, encoder, token, [&](uint8_t *const *planes, int frames) {
                meter.add(planes, frames);
                decoded.append(planes, frames);
                length += frames;
            });
            partLengths.append(length);
        }
        const Normalisation normalisation = normalisationOf(decoded, parts, meter.result(), encoder, token);
        encoder.start(tags, placeChapters(tags.chapters, partLengths));

        // The last encodes the narration brought to the target.
        AudioFilter normaliser(normalisation.chain(encoder.rate()).constData(), encoder.channels(), encoder.rate());
        replay(decoded, parts, encoder, token, [&](uint8_t *const *planes, int frames) {
            normaliser.push(planes, frames);
            encodeFiltered(normaliser, encoder);
        });
        token.throwIfCancelled();
        normaliser.finish();
        encodeFiltered(normaliser, encoder);
        encoder.finish();
    }
    SavedFile::commit(file);
}

} // namespace telvora::AudioJoiner
