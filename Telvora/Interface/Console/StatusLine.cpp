#include "Telvora/Interface/Console/StatusLine.h"

#include "Telvora/Interface/Console/ConsoleTexts.h"

#include <algorithm>
#include <cmath>

namespace telvora::StatusLine {

namespace {

namespace Texts = ConsoleTexts;

QString timeLeft(double seconds)
{
    if (seconds < 60)
        return Texts::underAMinute.toString();
    const auto minutes = std::max<qint64>(1, std::llround(seconds / 60));
    if (minutes < 60)
        return Texts::aboutMinutes.toString().arg(minutes);
    if (minutes % 60 == 0)
        return Texts::aboutHours.toString().arg(minutes / 60);
    return Texts::aboutHoursAndMinutes.toString().arg(minutes / 60).arg(minutes % 60);
}

} // namespace

QString percentText(const TranscriptionProgress &progress)
{
    // Whole percents, rounded down: 100 % only when the stage is done.
    const int percent = std::clamp(int(std::floor(progress.fraction * 100)), 0, 100);
    return Texts::percent.toString().arg(percent);
}

QString progressText(const TranscriptionProgress &progress)
{
    QString text = percentText(progress);
    if (progress.secondsLeft)
        text += Texts::timeLeftSeparator.toString() + timeLeft(*progress.secondsLeft);
    return text;
}

bool followsProgress(const QString &status) { return status.endsWith(u'\u2026'); }

QString compose(const QString &status, const std::optional<TranscriptionProgress> &progress)
{
    if (!progress || !followsProgress(status))
        return status;
    return status + Texts::progressSeparator.toString() + progressText(*progress);
}

} // namespace telvora::StatusLine
