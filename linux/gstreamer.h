// Owners for what GStreamer and GLib hand out: every object, message, error
// and string of theirs that we hold is held by one of these.
#pragma once

#include <gst/gst.h>

#include <memory>
#include <string>

namespace lumora::linux_desktop {

struct GstObjectUnref {
    void operator()(void* object) const { gst_object_unref(object); }
};
template <typename T>
using GstPtr = std::unique_ptr<T, GstObjectUnref>;

// A pipeline is brought down (its threads joined, its devices closed) before
// its last reference goes.
struct PipelineStop {
    void operator()(GstElement* pipeline) const {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }
};
using PipelinePtr = std::unique_ptr<GstElement, PipelineStop>;

struct GstMessageUnref {
    void operator()(GstMessage* message) const { gst_message_unref(message); }
};
using MessagePtr = std::unique_ptr<GstMessage, GstMessageUnref>;

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct GFree {
    void operator()(void* memory) const { g_free(memory); }
};
using GStringPtr = std::unique_ptr<gchar, GFree>;

// The text of an error that may be missing.
inline std::string MessageOf(const ErrorPtr& error) { return error ? error->message : "unknown error"; }

} // namespace lumora::linux_desktop
