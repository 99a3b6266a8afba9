#include "editor/linux/WebViewHelperConnection.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kavro::webview
{
namespace
{
const juce::String installHint =
    "The Velbrook editor needs WebKitGTK 4.1 and GTK 3.\nInstall them with:\nsudo apt install libwebkit2gtk-4.1-0 libgtk-3-0";

juce::var failure (const juce::String& text)
{
    auto* message = new juce::DynamicObject();
    message->setProperty ("type", "failed");
    message->setProperty ("text", text);
    return message;
}

class HelperProcessConnection : public web::PageConnection
{
public:
    explicit HelperProcessConnection (const juce::File& helper)
    {
        if (! helper.existsAsFile())
        {
            reportLater ("The editor's helper program is missing:\n" + helper.getFullPathName()
                         + "\nReinstall Velbrook.");
            return;
        }

        int down[2], up[2];
        if (pipe2 (down, O_CLOEXEC) != 0)
        {
            reportLater ("Could not start the editor: no pipes left.");
            return;
        }
        if (pipe2 (up, O_CLOEXEC) != 0)
        {
            close (down[0]);
            close (down[1]);
            reportLater ("Could not start the editor: no pipes left.");
            return;
        }

        // The helper gets the two pipe ends as stdin and stdout, stderr for its diagnostics, and
        // none of the host's other descriptors.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_adddup2 (&actions, down[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2 (&actions, up[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclosefrom_np (&actions, STDERR_FILENO + 1);

        const auto path = helper.getFullPathName();
        char* arguments[] = { const_cast<char*> (path.toRawUTF8()), nullptr };
        const auto spawned = posix_spawn (&child, path.toRawUTF8(), &actions, nullptr, arguments, environ);
        posix_spawn_file_actions_destroy (&actions);
        close (down[0]);
        close (up[1]);

        if (spawned != 0)
        {
            close (down[1]);
            close (up[0]);
            child = 0;
            reportLater ("Could not start the editor's helper program:\n" + path + "\n" + juce::String (strerror (spawned)));
            return;
        }

        toHelper = down[1];
        fromHelper = up[0];
        stream = std::make_unique<web::StreamPageConnection> (fromHelper, toHelper);
        stream->onMessage = [this] (const juce::var& message) { receive (message); };
    }

    ~HelperProcessConnection() override
    {
        stream.reset();
        if (toHelper >= 0)
            close (toHelper); // the helper ends when its input closes
        if (fromHelper >= 0)
            close (fromHelper);
        reap();
    }

    void send (const juce::var& message) override
    {
        if (stream != nullptr)
            stream->send (message);
    }

private:
    void receive (const juce::var& message)
    {
        const auto type = message["type"].toString();
        if (type == "ready")
            ready = true;
        if (type == "closed" && ! ready && ! failed)
            deliver (failure (installHint));
        else if (type == "failed")
            deliver (failure ("The editor cannot be shown: " + message["text"].toString() + "."));
        else
            deliver (message);
    }

    void deliver (const juce::var& message)
    {
        failed = failed || message["type"] == "failed";
        if (onMessage)
            onMessage (message);
    }

    // Reported from the message loop, once the component has connected its handler.
    void reportLater (const juce::String& text)
    {
        juce::MessageManager::callAsync ([alive = std::weak_ptr<bool> (token), this, text] {
            if (alive.lock())
                deliver (failure (text));
        });
    }

    // A helper that does not leave within a second of losing its input is killed; either way it is
    // waited for, so no zombie stays behind.
    void reap()
    {
        if (child <= 0)
            return;
        for (int waited = 0; waited < 1000; waited += 5)
        {
            if (waitpid (child, nullptr, WNOHANG) == child)
                return;
            juce::Thread::sleep (5);
        }
        kill (child, SIGKILL);
        waitpid (child, nullptr, 0);
    }

    pid_t child = 0;
    int toHelper = -1, fromHelper = -1;
    bool ready = false, failed = false;
    std::unique_ptr<web::StreamPageConnection> stream;
    std::shared_ptr<bool> token = std::make_shared<bool> (true);
};
} // namespace

web::PageConnection::Factory helperProcess (const juce::String& helperName)
{
    return [helperName] {
        // The framework resolves the binary this code was loaded from: the plug-in, not the host.
        const auto ownBinary = juce::File::getSpecialLocation (juce::File::currentExecutableFile);
        return std::make_unique<HelperProcessConnection> (ownBinary.getSiblingFile (helperName));
    };
}
} // namespace kavro::webview
