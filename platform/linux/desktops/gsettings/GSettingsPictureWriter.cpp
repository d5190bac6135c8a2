#include "platform/linux/desktops/gsettings/GSettingsPictureWriter.h"

#include <gio/gio.h>

#include <cstring>
#include <memory>
#include <utility>

#include "platform/linux/desktops/DesktopBackend.h"

namespace {

// Every schema we write has these values.
constexpr char kOptionsKey[] = "picture-options";
constexpr char kFillKeepingAspect[] = "zoom";
constexpr char kSpanned[] = "spanned";

struct GFreeDeleter {
    void operator()(gchar* text) const { g_free(text); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

struct SchemaDeleter {
    void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
};
struct ObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};

// Backends that keep values inside this process: a "successful" write there reaches no desktop.
bool IsPrivateBackend(GSettings* settings) {
    GSettingsBackend* backend = nullptr;
    g_object_get(settings, "backend", &backend, nullptr);
    if (backend == nullptr) {
        return true;
    }
    const char* type = G_OBJECT_TYPE_NAME(backend);
    const bool isPrivate = std::strcmp(type, "GMemorySettingsBackend") == 0 ||
                           std::strcmp(type, "GNullSettingsBackend") == 0;
    g_object_unref(backend);
    return isPrivate;
}

std::string ReadString(GSettings* settings, const char* key) {
    const GText value(g_settings_get_string(settings, key));
    return value ? std::string(value.get()) : std::string();
}

// An absolute path: the desktop resolves nothing against our working directory.
std::string AbsolutePath(const std::string& path) {
    const GText absolute(g_canonicalize_filename(path.c_str(), nullptr));
    return absolute.get();
}

// g_filename_to_uri percent-escapes every byte that a URI may not hold as it is.
std::string FileUri(const std::string& absolutePath) {
    const GText uri(g_filename_to_uri(absolutePath.c_str(), nullptr, nullptr));
    if (!uri) {
        FailToShowWallpaper();
    }
    return uri.get();
}

void SetString(GSettings* settings, const char* key, const std::string& value) {
    if (!g_settings_set_string(settings, key, value.c_str())) {
        FailToShowWallpaper();
    }
}

}  // namespace

GSettingsPictureWriter::GSettingsPictureWriter(std::string schema,
                                               std::vector<std::string> pictureKeys, Form form,
                                               Reload reload)
    : schema(std::move(schema)), pictureKeys(std::move(pictureKeys)), form(form), reload(reload) {}

void GSettingsPictureWriter::Show(const std::string& bitmapPath, Placement placement) const {
    // g_settings_new aborts the process for a schema that is not installed: look it up first.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr || pictureKeys.empty()) {
        FailToShowWallpaper();
    }
    const std::unique_ptr<GSettingsSchema, SchemaDeleter> found(
        g_settings_schema_source_lookup(source, schema.c_str(), TRUE));
    if (!found || !g_settings_schema_has_key(found.get(), pictureKeys.front().c_str())) {
        FailToShowWallpaper();
    }
    const std::string absolute = AbsolutePath(bitmapPath);
    const std::string value = form == Form::FileUri ? FileUri(absolute) : absolute;

    const std::unique_ptr<GSettings, ObjectDeleter> settings(
        g_settings_new_full(found.get(), nullptr, nullptr));
    if (IsPrivateBackend(settings.get())) {
        FailToShowWallpaper();
    }
    std::vector<const char*> keys;
    for (const std::string& key : pictureKeys) {
        if (g_settings_schema_has_key(found.get(), key.c_str())) {
            keys.push_back(key.c_str());
        }
    }

    // The path never changes, and a desktop ignores a value set to what it already holds: set
    // another value first, so that each change reaches the desktop as a change.
    if (reload == Reload::EmptyFirst) {
        for (const char* key : keys) {
            SetString(settings.get(), key, "");
        }
        g_settings_sync();
    }
    // The placement and the picture reach the desktop as one change: the picture of before is
    // never shown spread over the monitors, nor the new one filling each.
    g_settings_delay(settings.get());
    if (g_settings_schema_has_key(found.get(), kOptionsKey)) {
        SetString(settings.get(), kOptionsKey,
                  placement == Placement::SpanMonitors ? kSpanned : kFillKeepingAspect);
    }
    for (const char* key : keys) {
        SetString(settings.get(), key, value);
    }
    g_settings_apply(settings.get());
    // Writes are asynchronous, and dconf without a session bus drops them silently: wait for
    // them to land, then believe only what reads back.
    g_settings_sync();
    for (const char* key : keys) {
        if (ReadString(settings.get(), key) != value) {
            FailToShowWallpaper();
        }
    }
}
