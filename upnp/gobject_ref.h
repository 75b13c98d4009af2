// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Owning handles for GLib objects, so every early return drops its reference.

#include <memory>

#include <glib-object.h>

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object != nullptr) g_object_unref(object);
    }
};
template <typename T>
using GObjectRef = std::unique_ptr<T, GObjectUnref>;

struct GFreeDeleter {
    void operator()(gpointer memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;
