#include "PageConfinement.h"

#include <webkit2/webkit2.h>

#include "CourseAddress.h"

namespace courseview {

namespace {

// Loads a page's request for a new window in the view itself, if the page may
// go there at all.
void ShowInThisView(WebKitWebView* view, WebKitURIRequest* request) {
    const char* uri = webkit_uri_request_get_uri(request);
    if (uri != nullptr && PageMayNavigateTo(uri)) webkit_web_view_load_request(view, request);
}

gboolean DecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                      WebKitPolicyDecisionType type, gpointer) {
    switch (type) {
        case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION: {
            WebKitNavigationAction* action =
                webkit_navigation_policy_decision_get_navigation_action(
                    WEBKIT_NAVIGATION_POLICY_DECISION(decision));
            const char* uri =
                webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
            if (uri == nullptr || !PageMayNavigateTo(uri)) {
                webkit_policy_decision_ignore(decision);
                return TRUE;
            }
            return FALSE;
        }
        case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION: {
            WebKitNavigationAction* action =
                webkit_navigation_policy_decision_get_navigation_action(
                    WEBKIT_NAVIGATION_POLICY_DECISION(decision));
            ShowInThisView(view, webkit_navigation_action_get_request(action));
            webkit_policy_decision_ignore(decision);
            return TRUE;
        }
        case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
            // What the engine cannot show it would save: it shows nothing instead.
            if (!webkit_response_policy_decision_is_mime_type_supported(
                    WEBKIT_RESPONSE_POLICY_DECISION(decision))) {
                webkit_policy_decision_ignore(decision);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

// window.open and friends: the engine never gets to make a window of its own.
GtkWidget* CreateWindow(WebKitWebView* view, WebKitNavigationAction* action, gpointer) {
    ShowInThisView(view, webkit_navigation_action_get_request(action));
    return nullptr;
}

bool MenuActionMakesSense(WebKitContextMenuAction action) {
    switch (action) {
        case WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK_IN_NEW_WINDOW:
        case WEBKIT_CONTEXT_MENU_ACTION_OPEN_IMAGE_IN_NEW_WINDOW:
        case WEBKIT_CONTEXT_MENU_ACTION_OPEN_FRAME_IN_NEW_WINDOW:
        case WEBKIT_CONTEXT_MENU_ACTION_OPEN_VIDEO_IN_NEW_WINDOW:
        case WEBKIT_CONTEXT_MENU_ACTION_OPEN_AUDIO_IN_NEW_WINDOW:
        case WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_LINK_TO_DISK:
        case WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_IMAGE_TO_DISK:
        case WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_VIDEO_TO_DISK:
        case WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_AUDIO_TO_DISK:
        case WEBKIT_CONTEXT_MENU_ACTION_INSPECT_ELEMENT:
        case WEBKIT_CONTEXT_MENU_ACTION_ENTER_VIDEO_FULLSCREEN:
        case WEBKIT_CONTEXT_MENU_ACTION_CUSTOM:
            return false;
        default:
            return true;
    }
}

gboolean TrimContextMenu(WebKitWebView*, WebKitContextMenu* menu, GdkEvent*, WebKitHitTestResult*,
                         gpointer) {
    GList* items = g_list_copy(webkit_context_menu_get_items(menu));
    for (GList* item = items; item != nullptr; item = item->next) {
        auto* entry = static_cast<WebKitContextMenuItem*>(item->data);
        if (!MenuActionMakesSense(webkit_context_menu_item_get_stock_action(entry)))
            webkit_context_menu_remove(menu, entry);
    }
    g_list_free(items);
    // A menu of separators alone is no menu.
    for (GList* item = webkit_context_menu_get_items(menu); item != nullptr; item = item->next) {
        if (!webkit_context_menu_item_is_separator(static_cast<WebKitContextMenuItem*>(item->data)))
            return FALSE;
    }
    return TRUE;
}

gboolean RefuseFileChooser(WebKitWebView*, WebKitFileChooserRequest* request, gpointer) {
    webkit_file_chooser_request_cancel(request);
    return TRUE;
}

gboolean RefusePermission(WebKitWebView*, WebKitPermissionRequest* request, gpointer) {
    webkit_permission_request_deny(request);
    return TRUE;
}

gboolean Refuse(WebKitWebView*, gpointer) { return TRUE; }

gboolean RefusePrinting(WebKitWebView*, WebKitPrintOperation*, gpointer) { return TRUE; }

}  // namespace

void ConfinePages(WebKitWebView* view) {
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    webkit_settings_set_enable_javascript(settings, TRUE);
    webkit_settings_set_allow_file_access_from_file_urls(settings, FALSE);
    webkit_settings_set_allow_universal_access_from_file_urls(settings, FALSE);
    webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
    webkit_settings_set_javascript_can_access_clipboard(settings, FALSE);
    webkit_settings_set_enable_developer_extras(settings, FALSE);
    webkit_settings_set_enable_html5_local_storage(settings, FALSE);
    webkit_settings_set_enable_html5_database(settings, FALSE);
    webkit_settings_set_enable_fullscreen(settings, FALSE);

    g_signal_connect(view, "decide-policy", G_CALLBACK(DecidePolicy), nullptr);
    g_signal_connect(view, "create", G_CALLBACK(CreateWindow), nullptr);
    g_signal_connect(view, "context-menu", G_CALLBACK(TrimContextMenu), nullptr);
    g_signal_connect(view, "run-file-chooser", G_CALLBACK(RefuseFileChooser), nullptr);
    g_signal_connect(view, "permission-request", G_CALLBACK(RefusePermission), nullptr);
    g_signal_connect(view, "print", G_CALLBACK(RefusePrinting), nullptr);
    g_signal_connect(view, "enter-fullscreen", G_CALLBACK(Refuse), nullptr);
}

}  // namespace courseview
