#include "Telvora/Session/FileTypes.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora::FileTypes {

QStringList extensions(UserPrompts::FileType type)
{
    using Type = UserPrompts::FileType;
    switch (type) {
    case Type::text:
        return {u"txt"_s, u"text"_s, u"md"_s, u"markdown"_s, u"srt"_s, u"vtt"_s, u"rtf"_s, u"json"_s};
    case Type::plainText:
        return {u"txt"_s, u"text"_s, u"md"_s, u"markdown"_s};
    case Type::audio:
        return {u"mp3"_s,  u"m4a"_s, u"aac"_s, u"wav"_s,  u"aif"_s, u"aiff"_s,
                u"flac"_s, u"ogg"_s, u"oga"_s, u"opus"_s, u"wma"_s, u"caf"_s};
    case Type::movie:
        return {u"mp4"_s, u"m4v"_s, u"mov"_s, u"mkv"_s, u"webm"_s, u"avi"_s, u"mpg"_s, u"mpeg"_s};
    case Type::rtf:
        return {u"rtf"_s};
    case Type::json:
        return {u"json"_s};
    case Type::mp3:
        return {u"mp3"_s};
    case Type::mpeg4Audio:
        return {u"m4a"_s};
    case Type::odt:
        return {u"odt"_s};
    case Type::subRip:
        return {u"srt"_s};
    case Type::webVtt:
        return {u"vtt"_s};
    }
    Q_UNREACHABLE();
}

} // namespace telvora::FileTypes
