#include "Telvora/Media/AudioPlayer.h"

namespace telvora {

AudioPlayer::~AudioPlayer() = default;

} // namespace telvora
