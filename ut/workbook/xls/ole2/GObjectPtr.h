#pragma once

// Include after the GLib or libgsf headers: GLib uses identifiers that Qt defines as macros.
#include <memory>

#include <glib-object.h>

namespace ut {

// Owns one reference of a GObject (libgsf's inputs and outputs) and drops it on destruction.
struct GObjectUnref
{
    void operator()(gpointer object) const { g_object_unref(object); }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

} // namespace ut
