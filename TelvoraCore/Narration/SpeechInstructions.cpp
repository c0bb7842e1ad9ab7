#include "TelvoraCore/Editorial/Editorial.h"
#include "TelvoraCore/Narration/NarrationTexts.h"

namespace telvora::Editorial {

QString speechInstructions(VoiceProvider provider, bool expressiveTags)
{
    // OpenAI speech would read tags aloud, so only ElevenLabs ever gets them.
    const bool tags = provider == VoiceProvider::elevenLabs && expressiveTags;
    QString text = NarrationTexts::base.toString();
    text.append(tags ? NarrationTexts::expressionTags : NarrationTexts::noExpressionTags);
    text.append(NarrationTexts::closing);
    return text;
}

} // namespace telvora::Editorial
