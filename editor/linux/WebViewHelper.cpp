// The web-view helper: shows one page in a WebKitGTK view inside a GtkPlug that the plug-in's window
// embeds. It runs in a process of its own so that GTK never loads into a host's process. It speaks
// the page side of the line protocol in editor/web/README.md on stdin (from the plug-in) and stdout
// (to it), and exits when its input closes or its parent dies.
#include <gtk/gtk.h>
#include <gtk/gtkx.h>
#include <webkit2/webkit2.h>

#include <glib-unix.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <map>
#include <string>

namespace
{
struct Helper
{
    JSCContext* json = nullptr; // parses and writes the protocol's JSON
    GtkWidget* plug = nullptr;
    WebKitWebView* view = nullptr;
    WebKitUserContentManager* scripts = nullptr;
    std::string rootUrl;
    std::string pendingInput;
    std::map<int, WebKitURISchemeRequest*> resourceRequests;
    int nextResourceId = 1;
};

Helper helper;

//==============================================================================
// Messages

void quit()
{
    if (gtk_main_level() > 0)
        gtk_main_quit();
}

void send (JSCValue* message)
{
    char* text = jsc_value_to_json (message, 0);
    std::string line = text != nullptr ? text : "{}";
    g_free (text);
    g_object_unref (message);
    line += '\n';

    for (size_t written = 0; written < line.size();)
    {
        const auto n = ::write (STDOUT_FILENO, line.data() + written, line.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            quit(); // the plug-in is gone
            return;
        }
        written += (size_t) n;
    }
}

JSCValue* makeMessage (const char* type)
{
    auto* message = jsc_value_new_object (helper.json, nullptr, nullptr);
    auto* typeValue = jsc_value_new_string (helper.json, type);
    jsc_value_object_set_property (message, "type", typeValue);
    g_object_unref (typeValue);
    return message;
}

void setString (JSCValue* message, const char* name, const char* text)
{
    auto* value = jsc_value_new_string (helper.json, text != nullptr ? text : "");
    jsc_value_object_set_property (message, name, value);
    g_object_unref (value);
}

void setNumber (JSCValue* message, const char* name, double number)
{
    auto* value = jsc_value_new_number (helper.json, number);
    jsc_value_object_set_property (message, name, value);
    g_object_unref (value);
}

void sendWithUrl (const char* type, const char* url)
{
    auto* message = makeMessage (type);
    setString (message, "url", url);
    send (message);
}

void log (const char* text)
{
    auto* message = makeMessage ("log");
    setString (message, "text", text);
    send (message);
}

std::string stringProperty (JSCValue* object, const char* name)
{
    auto* value = jsc_value_object_get_property (object, name);
    std::string result;
    if (jsc_value_is_string (value))
    {
        char* text = jsc_value_to_string (value);
        result = text;
        g_free (text);
    }
    g_object_unref (value);
    return result;
}

//==============================================================================
// The page's resources come from the plug-in, one request at a time.

void askForResource (WebKitURISchemeRequest* request, gpointer)
{
    const int id = helper.nextResourceId++;
    helper.resourceRequests[id] = WEBKIT_URI_SCHEME_REQUEST (g_object_ref (request));

    auto* message = makeMessage ("resource-request");
    setNumber (message, "id", id);
    setString (message, "path", webkit_uri_scheme_request_get_path (request));
    send (message);
}

void answerResource (JSCValue* answer)
{
    auto* idValue = jsc_value_object_get_property (answer, "id");
    const int id = jsc_value_to_int32 (idValue);
    g_object_unref (idValue);

    const auto pending = helper.resourceRequests.find (id);
    if (pending == helper.resourceRequests.end())
        return;
    auto* request = pending->second;
    helper.resourceRequests.erase (pending);

    auto* foundValue = jsc_value_object_get_property (answer, "found");
    const bool found = jsc_value_to_boolean (foundValue);
    g_object_unref (foundValue);

    gsize size = 0;
    guchar* bytes = found ? g_base64_decode (stringProperty (answer, "data").c_str(), &size) : nullptr;
    auto* stream = g_memory_input_stream_new_from_data (bytes, (gssize) size, g_free);
    auto* response = webkit_uri_scheme_response_new (stream, (gint64) size);
    if (found)
        webkit_uri_scheme_response_set_content_type (response, stringProperty (answer, "mime").c_str());
    else
        webkit_uri_scheme_response_set_status (response, 404, "Not Found");
    webkit_uri_scheme_request_finish_with_response (request, response);

    g_object_unref (response);
    g_object_unref (stream);
    g_object_unref (request);
}

//==============================================================================
// The view

void pagePosted (WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer)
{
    auto* value = webkit_javascript_result_get_js_value (result);
    if (! jsc_value_is_string (value))
        return;
    char* text = jsc_value_to_string (value);
    auto* message = makeMessage ("message");
    setString (message, "text", text);
    g_free (text);
    send (message);
}

// Only the root may be shown; links, forms, scripts and new windows go nowhere.
gboolean decidePolicy (WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer)
{
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE)
        return FALSE;

    auto* action = webkit_navigation_policy_decision_get_navigation_action (WEBKIT_NAVIGATION_POLICY_DECISION (decision));
    const char* uri = webkit_uri_request_get_uri (webkit_navigation_action_get_request (action));
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && uri != nullptr && helper.rootUrl == uri)
    {
        webkit_policy_decision_use (decision);
        return TRUE;
    }
    webkit_policy_decision_ignore (decision);
    sendWithUrl ("navigation-refused", uri);
    return TRUE;
}

GtkWidget* refuseNewWindow (WebKitWebView*, WebKitNavigationAction* action, gpointer)
{
    sendWithUrl ("navigation-refused", webkit_uri_request_get_uri (webkit_navigation_action_get_request (action)));
    return nullptr;
}

void loadChanged (WebKitWebView* view, WebKitLoadEvent event, gpointer)
{
    if (event == WEBKIT_LOAD_FINISHED)
        sendWithUrl ("loaded", webkit_web_view_get_uri (view));
}

void webProcessEnded (WebKitWebView* view, WebKitWebProcessTerminationReason, gpointer)
{
    log ("the web process ended; reloading the page");
    if (! helper.rootUrl.empty())
        webkit_web_view_load_uri (view, helper.rootUrl.c_str());
}

void setBackground (const std::string& colourText)
{
    GdkRGBA colour;
    if (! gdk_rgba_parse (&colour, colourText.c_str()))
        return;
    colour.alpha = 1.0; // a transparent view shows black, whatever lies beneath
    webkit_web_view_set_background_color (helper.view, &colour);

    auto* css = gtk_css_provider_new();
    const auto rule = "window { background-color: " + colourText + "; }";
    gtk_css_provider_load_from_data (css, rule.c_str(), -1, nullptr);
    gtk_style_context_add_provider (gtk_widget_get_style_context (helper.plug), GTK_STYLE_PROVIDER (css),
                                    GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref (css);
}

void load (const std::string& url, const std::string& script)
{
    helper.rootUrl = url;
    webkit_user_content_manager_remove_all_scripts (helper.scripts);
    auto* userScript = webkit_user_script_new (script.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script (helper.scripts, userScript);
    webkit_user_script_unref (userScript);
    webkit_web_view_load_uri (helper.view, url.c_str());
}

//==============================================================================
// Input from the plug-in

void handleLine (const std::string& line)
{
    auto* message = jsc_value_new_from_json (helper.json, line.c_str());
    if (message == nullptr || ! jsc_value_is_object (message))
    {
        if (message != nullptr)
            g_object_unref (message);
        return;
    }

    const auto type = stringProperty (message, "type");
    if (type == "load")
        load (stringProperty (message, "url"), stringProperty (message, "script"));
    else if (type == "evaluate")
        webkit_web_view_evaluate_javascript (helper.view, stringProperty (message, "script").c_str(), -1, nullptr,
                                             nullptr, nullptr, nullptr, nullptr);
    else if (type == "resource")
        answerResource (message);
    else if (type == "background")
        setBackground (stringProperty (message, "colour"));
    else if (type == "quit")
        quit();
    g_object_unref (message);
}

gboolean readInput (gint fd, GIOCondition, gpointer)
{
    char buffer[65536];
    const auto got = ::read (fd, buffer, sizeof (buffer));
    if (got < 0 && (errno == EINTR || errno == EAGAIN))
        return G_SOURCE_CONTINUE;
    if (got <= 0)
    {
        quit();
        return G_SOURCE_REMOVE;
    }

    helper.pendingInput.append (buffer, (size_t) got);
    for (auto end = helper.pendingInput.find ('\n'); end != std::string::npos; end = helper.pendingInput.find ('\n'))
    {
        const auto line = helper.pendingInput.substr (0, end);
        helper.pendingInput.erase (0, end + 1);
        handleLine (line);
    }
    return G_SOURCE_CONTINUE;
}

gboolean parentGone (gpointer)
{
    quit();
    return G_SOURCE_REMOVE;
}

//==============================================================================
void buildView()
{
    auto* context = webkit_web_context_new();
    webkit_web_context_register_uri_scheme (context, "juce", askForResource, nullptr, nullptr);
    webkit_security_manager_register_uri_scheme_as_secure (webkit_web_context_get_security_manager (context), "juce");
    webkit_web_context_set_cache_model (context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);

    helper.scripts = webkit_user_content_manager_new();
    g_signal_connect (helper.scripts, "script-message-received::__JUCE__", G_CALLBACK (pagePosted), nullptr);
    webkit_user_content_manager_register_script_message_handler (helper.scripts, "__JUCE__");

    helper.view = WEBKIT_WEB_VIEW (g_object_new (WEBKIT_TYPE_WEB_VIEW, "web-context", context, "user-content-manager",
                                                 helper.scripts, nullptr));
    g_object_unref (context);

    auto* settings = webkit_web_view_get_settings (helper.view);
    webkit_settings_set_hardware_acceleration_policy (settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    webkit_settings_set_javascript_can_open_windows_automatically (settings, FALSE);
    webkit_settings_set_enable_developer_extras (settings, FALSE);

    g_signal_connect (helper.view, "decide-policy", G_CALLBACK (decidePolicy), nullptr);
    g_signal_connect (helper.view, "create", G_CALLBACK (refuseNewWindow), nullptr);
    g_signal_connect (helper.view, "load-changed", G_CALLBACK (loadChanged), nullptr);
    g_signal_connect (helper.view, "web-process-terminated", G_CALLBACK (webProcessEnded), nullptr);

    helper.plug = gtk_plug_new (0);
    // The plug goes with the window that embeds it; the helper has nothing left to show then.
    g_signal_connect (helper.plug, "destroy", G_CALLBACK (+[] (GtkWidget*, gpointer) {
                          helper.plug = nullptr;
                          quit();
                      }), nullptr);
    gtk_container_add (GTK_CONTAINER (helper.plug), GTK_WIDGET (helper.view));
    setBackground ("#000000");
    gtk_widget_show_all (helper.plug);
    gtk_widget_grab_focus (GTK_WIDGET (helper.view)); // keys that reach the plug go to the page
}
} // namespace

int main (int argc, char** argv)
{
    // A parent that dies without closing our input still ends us.
    prctl (PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() == 1)
        return 0;
    std::signal (SIGPIPE, SIG_IGN);

    gdk_set_allowed_backends ("x11");
    if (! gtk_init_check (&argc, &argv))
    {
        helper.json = jsc_context_new();
        auto* message = makeMessage ("failed");
        setString (message, "text", "no X11 display");
        send (message);
        return 1;
    }

    buildView();
    // Made only now: a JavaScript context created before the first web view leaves that view unable
    // to load anything.
    helper.json = jsc_context_new();
    g_unix_fd_add (STDIN_FILENO, (GIOCondition) (G_IO_IN | G_IO_HUP | G_IO_ERR), readInput, nullptr);
    g_unix_signal_add (SIGTERM, parentGone, nullptr);

    auto* ready = makeMessage ("ready");
    setNumber (ready, "window", (double) gtk_plug_get_id (GTK_PLUG (helper.plug)));
    send (ready);

    gtk_main();

    for (auto& [id, request] : helper.resourceRequests)
        g_object_unref (request);
    if (helper.plug != nullptr)
        gtk_widget_destroy (helper.plug);
    g_object_unref (helper.scripts);
    g_object_unref (helper.json);
    return 0;
}
