// Sound tracks: their labels, the engine's choice among them, the user's; and the reason a video
// cannot be read.
#include "tracks.h"
#include "encoder.h"
#include "engine_common.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace engine {

namespace {

struct Language {
    std::string_view two, bib, term, name; // ISO 639-1, 639-2/B, 639-2/T, English name
};

// The languages films are most often dubbed or subtitled in; other codes still match themselves.
constexpr Language kLanguages[] = {
    {"en", "eng", "eng", "English"},    {"fr", "fre", "fra", "French"},
    {"de", "ger", "deu", "German"},     {"es", "spa", "spa", "Spanish"},
    {"it", "ita", "ita", "Italian"},    {"pt", "por", "por", "Portuguese"},
    {"nl", "dut", "nld", "Dutch"},      {"ru", "rus", "rus", "Russian"},
    {"pl", "pol", "pol", "Polish"},     {"cs", "cze", "ces", "Czech"},
    {"sv", "swe", "swe", "Swedish"},    {"da", "dan", "dan", "Danish"},
    {"no", "nor", "nor", "Norwegian"},  {"nb", "nob", "nob", "Norwegian"},
    {"fi", "fin", "fin", "Finnish"},    {"hu", "hun", "hun", "Hungarian"},
    {"el", "gre", "ell", "Greek"},      {"tr", "tur", "tur", "Turkish"},
    {"ar", "ara", "ara", "Arabic"},     {"he", "heb", "heb", "Hebrew"},
    {"hi", "hin", "hin", "Hindi"},      {"ja", "jpn", "jpn", "Japanese"},
    {"zh", "chi", "zho", "Chinese"},    {"ko", "kor", "kor", "Korean"},
    {"uk", "ukr", "ukr", "Ukrainian"},  {"ro", "rum", "ron", "Romanian"},
    {"th", "tha", "tha", "Thai"},       {"vi", "vie", "vie", "Vietnamese"},
    {"id", "ind", "ind", "Indonesian"}, {"ca", "cat", "cat", "Catalan"},
};

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

const Language *FindLanguage(std::string_view code) {
    const std::string c = Lower(code);
    for (const Language &l : kLanguages)
        if (c == l.two || c == l.bib || c == l.term)
            return &l;
    return nullptr;
}

bool IsSound(const AVStream *st) {
    return st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
}

// The sound streams of the file, in its order.
std::vector<int> SoundStreams(const AVFormatContext *ctx) {
    std::vector<int> out;
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        if (IsSound(ctx->streams[i]))
            out.push_back(static_cast<int>(i));
    return out;
}

std::string ChannelsText(const AVChannelLayout &layout) {
    switch (std::max(layout.nb_channels, 0)) {
    case 0:
        return "";
    case 1:
        return "mono";
    case 2:
        return "stereo";
    default:
        break;
    }
    if (layout.order == AV_CHANNEL_ORDER_NATIVE) {
        const int lfe = av_channel_layout_index_from_channel(&layout, AV_CHAN_LOW_FREQUENCY) >= 0;
        return std::to_string(layout.nb_channels - lfe) + "." + std::to_string(lfe);
    }
    return std::to_string(layout.nb_channels) + " channels";
}

// "1: English, 5.1; 2: French, stereo (default)"
std::string TrackList(const AVFormatContext *ctx) {
    std::string list;
    int n = 0;
    for (int i : SoundStreams(ctx)) {
        if (!list.empty())
            list += "; ";
        list += std::to_string(++n) + ": " + TrackLabel(ctx->streams[i]);
    }
    return list;
}

// The stream index of the sound track `wanted` names, -1 when none does.
int WantedTrack(const AVFormatContext *ctx, std::string_view wanted) {
    const std::vector<int> sound = SoundStreams(ctx);
    if (!wanted.empty() &&
        std::all_of(wanted.begin(), wanted.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const long n =
            wanted.size() <= 3 ? std::strtol(std::string(wanted).c_str(), nullptr, 10) : 0;
        return n >= 1 && n <= static_cast<long>(sound.size()) ? sound[n - 1] : -1;
    }
    for (int i : sound)
        if (SameLanguage(StreamLanguage(ctx->streams[i]), wanted))
            return i;
    return -1;
}

// The engine's own choice among the readable sound tracks.
int DefaultTrack(const AVFormatContext *ctx) {
    std::vector<int> readable;
    for (int i : SoundStreams(ctx))
        if (Decodable(ctx->streams[i]))
            readable.push_back(i);
    if (readable.empty())
        return -1;
    std::vector<int> flagged;
    for (int i : readable)
        if (ctx->streams[i]->disposition & AV_DISPOSITION_DEFAULT)
            flagged.push_back(i);
    if (flagged.size() == 1)
        return flagged.front();
    const std::string user = UserLanguage();
    if (!user.empty()) {
        // Among several flagged tracks, a flagged one in the user's language first.
        for (const std::vector<int> *set : {&flagged, &readable})
            for (int i : *set)
                if (SameLanguage(StreamLanguage(ctx->streams[i]), user))
                    return i;
    }
    return readable.front();
}

// The name of a codec the engine has no decoder for, from its id or, when FFmpeg does not know
// the codec at all, from the stream's tag.
std::string MissingCodecName(const AVCodecParameters *par) {
    char tag[AV_FOURCC_MAX_STRING_SIZE] = {};
    if (par->codec_tag != 0)
        av_fourcc_make_string(tag, par->codec_tag);
    const std::string_view t = tag;
    if (t == "vvc1" || t == "vvi1" || t == "vvcC")
        return "H.266/VVC";
    if (const AVCodecDescriptor *d = avcodec_descriptor_get(par->codec_id))
        return d->long_name != nullptr ? d->long_name : d->name;
    return t.empty() ? "this kind of" : "the " + std::string(t) + " kind of";
}

} // namespace

bool Decodable(const AVStream *st) {
    return avcodec_find_decoder(st->codecpar->codec_id) != nullptr;
}

std::string StreamLanguage(const AVStream *st) {
    const AVDictionaryEntry *e = av_dict_get(st->metadata, "language", nullptr, 0);
    if (e == nullptr || e->value == nullptr || Lower(e->value) == "und")
        return "";
    return e->value;
}

bool SameLanguage(std::string_view a, std::string_view b) {
    if (a.empty() || b.empty())
        return false;
    if (Lower(a) == Lower(b))
        return true;
    const Language *la = FindLanguage(a);
    return la != nullptr && la == FindLanguage(b);
}

std::string UserLanguage() {
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = std::getenv(name);
        if (value == nullptr || *value == '\0')
            continue;
        std::string_view v = value;
        v = v.substr(0, v.find_first_of(":_.@"));
        if (v.empty() || v == "C" || v == "POSIX")
            return "";
        return Lower(v);
    }
    return "";
}

std::string TrackLabel(const AVStream *st) {
    const std::string code = StreamLanguage(st);
    const Language *l = FindLanguage(code);
    std::string label = l != nullptr   ? std::string(l->name)
                        : code.empty() ? std::string("Unknown language")
                                       : code;
    const std::string channels = ChannelsText(st->codecpar->ch_layout);
    if (!channels.empty())
        label += ", " + channels;
    if (st->disposition & AV_DISPOSITION_DEFAULT)
        label += " (default)";
    if (st->disposition & AV_DISPOSITION_FORCED)
        label += " (forced)";
    if (!Decodable(st))
        label += " (cannot be read)";
    return label;
}

int ChooseAudio(AVFormatContext *ctx, std::string_view wanted, const AVCodec **decoder,
                std::string &reason) {
    int index = -1;
    if (wanted.empty()) {
        index = DefaultTrack(ctx);
    } else {
        index = WantedTrack(ctx, wanted);
        if (index < 0 || !Decodable(ctx->streams[index])) {
            const std::string list = TrackList(ctx);
            reason = "no sound track " + std::string(wanted) + " in the input: " +
                     (list.empty() ? std::string("it has no sound") : "its tracks are " + list);
            return -2;
        }
    }
    if (index < 0)
        return -1;
    if (decoder != nullptr)
        *decoder = avcodec_find_decoder(ctx->streams[index]->codecpar->codec_id);
    return index;
}

std::string UnreadableVideo(const AVFormatContext *ctx) {
    const AVCodecParameters *missing = nullptr;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream *st = ctx->streams[i];
        if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO ||
            (st->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0)
            continue;
        if (Decodable(st))
            return "";
        if (missing == nullptr)
            missing = st->codecpar;
    }
    return missing == nullptr ? "" : MissingCodecName(missing) + " video cannot be read";
}

} // namespace engine

namespace {

void CopyText(char *to, size_t size, const std::string &text) {
    const size_t n = std::min(text.size(), size - 1);
    std::memcpy(to, text.data(), n);
    to[n] = '\0';
}

void FillTrack(const AVStream *st, TrackFacts &t) {
    CopyText(t.language, sizeof t.language, engine::StreamLanguage(st));
    CopyText(t.codec, sizeof t.codec, avcodec_get_name(st->codecpar->codec_id));
    CopyText(t.label, sizeof t.label, engine::TrackLabel(st));
    t.channels = engine::Channels(st->codecpar);
    t.flags = ((st->disposition & AV_DISPOSITION_DEFAULT) ? MAVO_TRACK_DEFAULT : 0) |
              ((st->disposition & AV_DISPOSITION_FORCED) ? MAVO_TRACK_FORCED : 0) |
              (engine::Decodable(st) ? MAVO_TRACK_READABLE : 0);
}

} // namespace

extern "C" ENCODER_API int Mydll_GetTracks(const char *path, const char *audio_wanted,
                                           ClipTracks *tracks) {
    if (tracks == nullptr)
        return -1;
    *tracks = ClipTracks{};
    tracks->audio_chosen = -1;
    AVFormatContext *fc = nullptr;
    std::string reason;
    if (engine::OpenInput(path, &fc, reason, engine::ProbeSeconds()) < 0)
        return -1;
    CopyText(tracks->refusal, sizeof tracks->refusal, engine::UnreadableVideo(fc));
    const int chosen =
        engine::ChooseAudio(fc, audio_wanted != nullptr ? audio_wanted : "", nullptr, reason);
    if (chosen == -2)
        tracks->audio_chosen = -2;
    for (unsigned i = 0; i < fc->nb_streams; ++i) {
        const AVStream *st = fc->streams[i];
        const AVMediaType type = st->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_AUDIO && tracks->audio_count < MAVO_MAX_TRACKS) {
            if (static_cast<int>(i) == chosen)
                tracks->audio_chosen = tracks->audio_count;
            FillTrack(st, tracks->audio[tracks->audio_count++]);
        } else if (type == AVMEDIA_TYPE_SUBTITLE && tracks->subtitle_count < MAVO_MAX_TRACKS) {
            FillTrack(st, tracks->subtitles[tracks->subtitle_count++]);
        }
    }
    avformat_close_input(&fc);
    return 0;
}
