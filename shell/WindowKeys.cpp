#include "WindowKeys.h"

#include <gtk/gtk.h>
#include <wx/window.h>

#include <optional>

namespace courseview {

namespace {

using Handler = std::function<bool(WindowKey)>;

// The key's letter in the first layout, the Latin one on a Russian desktop,
// where the same key types "а".
guint FirstLayoutKey(const GdkEventKey& key) {
    guint value = 0;
    gdk_keymap_translate_keyboard_state(
        gdk_keymap_get_for_display(gdk_window_get_display(key.window)), key.hardware_keycode,
        static_cast<GdkModifierType>(0), 0, &value, nullptr, nullptr, nullptr);
    return value;
}

std::optional<WindowKey> KeyOf(const GdkEventKey& key) {
    const guint modifiers = key.state & gtk_accelerator_get_default_mod_mask();
    if (key.keyval == GDK_KEY_F3 && modifiers == 0) return WindowKey::FindNext;
    if (key.keyval == GDK_KEY_F3 && modifiers == GDK_SHIFT_MASK) return WindowKey::FindPrevious;
    if (key.keyval == GDK_KEY_Escape && modifiers == 0) return WindowKey::Escape;
    if (modifiers == GDK_CONTROL_MASK &&
        (gdk_keyval_to_lower(key.keyval) == GDK_KEY_f || FirstLayoutKey(key) == GDK_KEY_f))
        return WindowKey::Find;
    return std::nullopt;
}

// The window sees every key before it hands it on to the focused control:
// its "event" signal comes before the key signals wxWidgets and the engine
// listen to.
gboolean OnEvent(GtkWidget*, GdkEvent* event, gpointer data) {
    if (event->type != GDK_KEY_PRESS) return FALSE;
    const std::optional<WindowKey> key = KeyOf(event->key);
    return key && (*static_cast<Handler*>(data))(*key);
}

}  // namespace

void TakeWindowKeys(wxWindow& window, std::function<bool(WindowKey)> handler) {
    g_signal_connect_data(
        GTK_WIDGET(window.GetHandle()), "event", G_CALLBACK(OnEvent),
        new Handler(std::move(handler)),
        [](gpointer data, GClosure*) { delete static_cast<Handler*>(data); },
        static_cast<GConnectFlags>(0));
}

}  // namespace courseview
