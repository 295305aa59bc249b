#include "linux/gstreamer_music.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>

#include "linux/music_lock.h"

namespace lumora::linux_desktop {
namespace {

// What the streaming thread needs to queue the file again as it nears its
// end; the signal's connection owns it.
struct Loop {
    std::string uri;
    std::atomic<std::int64_t> lastQueuedUs{0};
};

// A file shorter than this is not queued again on the streaming thread: one
// that ends as soon as it begins (a sound file with no sound in it) would go
// round at full speed. It is left to end, and its watch starts it again.
constexpr std::int64_t kShortestGaplessLoopUs = 250'000;

void OnAboutToFinish(GstElement* playbin, gpointer data) {
    Loop& loop = *static_cast<Loop*>(data);
    const std::int64_t now = g_get_monotonic_time();
    if (now - loop.lastQueuedUs.load() < kShortestGaplessLoopUs) return;
    loop.lastQueuedUs = now;
    g_object_set(playbin, "uri", loop.uri.c_str(), nullptr);
}

std::string CdTrackUri(int track) { return "cdda://" + std::to_string(track); }

constexpr const char* kCdSourceName = "cd";

} // namespace

MusicStarted GstreamerMusic::Start(const std::function<bool()>& stillWanted) {
    MusicStarted started;
    if (settings_.music == MusicKind::AudioCd) {
        // Watched whatever the start achieved: the watch gives a drive that
        // cannot be read up. A repeat track the disc lacks is the watch's to find.
        started.playing = MusicPlaying::AudioCd;
        started.cdOpened = Started() && Play(CdPlayer(settings_.repeatTrack > 0 ? settings_.repeatTrack : 1),
                                             stillWanted);
    } else if (settings_.music == MusicKind::SoundFile && !settings_.musicFile.empty()) {
        GError* failure = nullptr;
        const GStringPtr uri(gst_filename_to_uri(settings_.musicFile.c_str(), &failure));
        const ErrorPtr error(failure);
        if (!uri) {
            GiveUp("the music file " + settings_.musicFile + " cannot be played: " + MessageOf(error));
        } else if (Started() && Play(FilePlayer(uri.get()), stillWanted)) {
            started.playing = MusicPlaying::WatchedFile;
        }
    }
    return started;
}

std::string GstreamerMusic::What() const {
    return settings_.music == MusicKind::AudioCd ? "the audio CD" : "the music file " + settings_.musicFile;
}

bool GstreamerMusic::Started() {
    GError* failure = nullptr;
    if (gst_init_check(nullptr, nullptr, &failure)) return true;
    const ErrorPtr error(failure);
    GiveUp(What() + " cannot be played: GStreamer cannot start: " + MessageOf(error));
    return false;
}

GstElement* GstreamerMusic::FilePlayer(const std::string& uri) {
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (playbin == nullptr) {
        GiveUp(What() + " cannot be played: GStreamer has no playbin (gstreamer1.0-plugins-base)");
        return nullptr;
    }
    // Sound only: a video in the file is not decoded, its subtitles not drawn.
    gst_util_set_object_arg(G_OBJECT(playbin), "flags", "audio");
    g_object_set(playbin, "uri", uri.c_str(), nullptr);
    g_signal_connect_data(playbin, "about-to-finish", reinterpret_cast<GCallback>(&OnAboutToFinish),
                          new Loop{uri, {}}, [](gpointer data, GClosure*) { delete static_cast<Loop*>(data); },
                          static_cast<GConnectFlags>(0));
    return playbin;
}

// libcdio's reader, which reads disc images (a .cue over its .bin) as well as
// drives; GStreamer ranks cdparanoia's first, which reads drives only.
GstElement* GstreamerMusic::CdPlayer(int track) {
    GstElement* source = gst_element_factory_make("cdiocddasrc", kCdSourceName);
    if (source == nullptr)
        source = gst_element_make_from_uri(GST_URI_SRC, CdTrackUri(track).c_str(), kCdSourceName, nullptr);
    if (source == nullptr) {
        GiveUp("the audio CD cannot be played: GStreamer has no CD reader (gstreamer1.0-plugins-ugly)");
        return nullptr;
    }
    g_object_set(source, "track", static_cast<guint>(track), nullptr);
    if (!cdDevice_.empty()) g_object_set(source, "device", cdDevice_.c_str(), nullptr);
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* sink = gst_element_factory_make("autoaudiosink", nullptr);
    // The bin owns what is added to it, even what fails to link.
    for (GstElement* element : {source, convert, resample, sink})
        if (element != nullptr) gst_bin_add(GST_BIN(pipeline), element);
    if (convert == nullptr || resample == nullptr || sink == nullptr ||
        !gst_element_link_many(source, convert, resample, sink, nullptr)) {
        gst_object_unref(gst_object_ref_sink(pipeline));
        GiveUp("the audio CD cannot be played: GStreamer lacks audioconvert, audioresample or autoaudiosink "
               "(gstreamer1.0-plugins-base, -good)");
        return nullptr;
    }
    return pipeline;
}

bool GstreamerMusic::Play(GstElement* made, const std::function<bool()>& stillWanted) {
    if (made == nullptr) return false;
    pipeline_.reset(static_cast<GstElement*>(gst_object_ref_sink(made)));
    // Going to PAUSED opens the file or the device here, which may take long
    // (a share that does not answer, a drive spinning up); the rest of the
    // setting out runs on GStreamer's own threads.
    if (gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        GiveUp(What() + " cannot be played: " + ReadBus().error);
        return false;
    }
    if (stillWanted && !stillWanted()) {
        pipeline_.reset();
        return false;
    }
    if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        GiveUp(What() + " cannot be played: " + ReadBus().error);
        return false;
    }
    return true;
}

void GstreamerMusic::Stop(const MusicStarted&) { pipeline_.reset(); }

GstreamerMusic::BusNews GstreamerMusic::ReadBus() {
    BusNews news;
    if (!pipeline_) return news;
    const GstPtr<GstBus> bus(gst_element_get_bus(pipeline_.get()));
    // Whatever else was said meanwhile is dropped with it.
    const auto wanted = static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS);
    while (const MessagePtr message{gst_bus_pop_filtered(bus.get(), wanted)}) {
        if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS) {
            news.ended = true;
        } else if (!news.failed) {
            GError* failure = nullptr;
            gst_message_parse_error(message.get(), &failure, nullptr);
            const ErrorPtr error(failure);
            news.failed = true;
            news.error = MessageOf(error);
        }
    }
    return news;
}

void GstreamerMusic::GiveUp(const std::string& why) {
    if (!complained_ && complaints_ != nullptr) std::fprintf(complaints_, "lumora: %s\n", why.c_str());
    complained_ = true;
    pipeline_.reset();
}

// The sound file -------------------------------------------------------------

void GstreamerMusic::KeepFilePlaying() {
    if (!pipeline_) return;
    const BusNews news = ReadBus();
    // A file that cannot be played now will not be played a second later: read
    // again every second, a huge one would keep the disk busy for nothing.
    if (news.failed) {
        GiveUp("the music file " + settings_.musicFile + " cannot be played: " + news.error);
    } else if (news.ended) {
        gst_element_seek_simple(pipeline_.get(), GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, 0);
    }
}

// The audio CD -----------------------------------------------------------------
//
// The drive's reader plays one track and ends; the next is chosen here by the
// cdda:// address given to the reader itself, which seeks on the open disc.

bool GstreamerMusic::KeepCdPlaying() {
    if (!pipeline_) return false;
    const BusNews news = ReadBus();
    if (news.failed) {
        GiveUp("the audio CD cannot be played: " + news.error);
        return false;
    }
    const int repeat = settings_.repeatTrack;
    if (repeat != 0) {
        // A repeat track the disc lacks plays nothing, rather than another track.
        if ((news.ended || CurrentTrack() != repeat) && !PlayTrack(repeat))
            gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
    } else if (news.ended) {
        // After the last track the disc starts again.
        if (!PlayTrack(CurrentTrack() + 1)) PlayTrack(1);
    }
    return true;
}

void GstreamerMusic::StepTracks(int steps) {
    // Before the first track and after the last there is nothing to go to.
    if (pipeline_) PlayTrack(CurrentTrack() + steps);
}

GstPtr<GstElement> GstreamerMusic::CdSource() {
    return GstPtr<GstElement>(pipeline_ ? gst_bin_get_by_name(GST_BIN(pipeline_.get()), kCdSourceName) : nullptr);
}

int GstreamerMusic::CurrentTrack() {
    const GstPtr<GstElement> source = CdSource();
    const GstFormat trackFormat = gst_format_get_by_nick("track");
    if (!source || trackFormat == GST_FORMAT_UNDEFINED) return 0;
    const GstPtr<GstPad> pad(gst_element_get_static_pad(source.get(), "src"));
    gint64 track = -1;
    if (!pad || !gst_pad_query_position(pad.get(), trackFormat, &track) || track < 0) return 0;
    return static_cast<int>(track) + 1;
}

bool GstreamerMusic::PlayTrack(int track) {
    const GstPtr<GstElement> source = CdSource();
    if (track < 1 || !source || !GST_IS_URI_HANDLER(source.get())) return false;
    if (!gst_uri_handler_set_uri(GST_URI_HANDLER(source.get()), CdTrackUri(track).c_str(), nullptr)) return false;
    gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    return true;
}

std::unique_ptr<MusicPlayer> HacksPlayer(const Settings& settings, const std::string& cdDevice) {
    return std::make_unique<OneMusicAmongHacks>(std::make_unique<GstreamerMusic>(settings, cdDevice, stderr),
                                                MusicLockPath());
}

} // namespace lumora::linux_desktop
