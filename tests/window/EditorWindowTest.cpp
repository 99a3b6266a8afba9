// The real editor in a real window with the real web-view helper, under a virtual X display.
#include "editor/linux/WebViewHelperConnection.h"
#include "editor/web/WebBrowserComponent.h"
#include "plugin/PluginProcessor.h"
#include "support/JsonObject.h"
#include "support/MessagePump.h"
#include "support/PageOverride.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <fcntl.h>
#include <unistd.h>

namespace
{
using kavro::web::PageConnection;
using Clock = std::chrono::steady_clock;

// The helper the editor starts, with everything it says kept for the test, and a way to run
// scripts in the page.
class ObservedHelper : public PageConnection
{
public:
    ObservedHelper() : helper (kavro::webview::helperProcess ("velbrook-webview")())
    {
        helper->onMessage = [this] (const juce::var& message) {
            received.push_back ({ Clock::now(), message });
            if (onMessage)
                onMessage (message);
        };
    }

    void send (const juce::var& message) override { helper->send (message); }

    void run (const juce::String& script) { send (jsonObject ({ { "type", "evaluate" }, { "script", script } })); }

    // The first message of this type (and, for page messages, page event id): its payload, or for
    // other messages the message itself, and when it arrived.
    std::optional<std::pair<juce::var, Clock::time_point>> find (const juce::String& type, const juce::String& eventId = {}) const
    {
        for (const auto& [arrived, message] : received)
        {
            if (message["type"] != type)
                continue;
            if (eventId.isEmpty())
                return std::make_pair (message, arrived);
            const auto posted = juce::JSON::parse (message["text"].toString());
            if (posted["eventId"] == eventId)
                return std::make_pair (posted["payload"], arrived);
        }
        return std::nullopt;
    }

    juce::var waitFor (const juce::String& type, const juce::String& eventId = {})
    {
        return waitForArrival (type, eventId).first;
    }

    std::pair<juce::var, Clock::time_point> waitForArrival (const juce::String& type, const juce::String& eventId = {})
    {
        for (int waited = 0; waited < 20000; waited += 10)
        {
            if (auto found = find (type, eventId))
                return *found;
            pumpMessages (10);
        }
        throw std::runtime_error (("nothing of type " + type + " " + eventId).toStdString());
    }

    std::vector<std::pair<Clock::time_point, juce::var>> received;

private:
    std::unique_ptr<PageConnection> helper;
};

using ObservedHelpers = PageOverride<ObservedHelper>;

// The editor on the desktop, as a host shows it.
struct OpenEditor
{
    explicit OpenEditor (KavroLabAudioProcessor& processor) : opened (Clock::now())
    {
        editor.reset (processor.createEditorIfNeeded());
        editor->addToDesktop (juce::ComponentPeer::windowHasTitleBar);
        editor->setTopLeftPosition (40, 40);
        editor->setVisible (true);
    }

    ~OpenEditor()
    {
        editor->getAudioProcessor()->editorBeingDeleted (editor.get());
        editor.reset();
    }

    Clock::time_point opened;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
};

// The window as it shows on screen, helper's window included.
juce::Image screenshot (juce::Component& window)
{
    const auto file = juce::File::createTempFile (".png");
    juce::ChildProcess import;
    const auto windowId = "0x" + juce::String::toHexString ((juce::pointer_sized_int) window.getPeer()->getNativeHandle());
    if (! import.start (juce::StringArray { "import", "-screen", "-window", windowId, file.getFullPathName() })
        || ! import.waitForProcessToFinish (20000))
        return {};
    auto image = juce::ImageFileFormat::loadFrom (file);
    file.deleteFile();
    return image;
}

double shareOfColour (const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour)
{
    int matching = 0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            matching += image.getPixelAt (x, y).withAlpha (1.0f) == colour ? 1 : 0;
    return matching / (double) area.getWidth() / area.getHeight();
}

// The fields after the command name of /proc/<pid>/stat (state, parent, ...); empty when it is gone.
juce::StringArray procStat (int pid)
{
    std::ifstream file ("/proc/" + std::to_string (pid) + "/stat");
    const std::string stat ((std::istreambuf_iterator<char> (file)), std::istreambuf_iterator<char>());
    return juce::StringArray::fromTokens (juce::String (stat).fromLastOccurrenceOf (")", false, false).trim(), true);
}

std::set<int> descendantsOf (int parent)
{
    std::map<int, int> parents;
    for (const auto& entry : std::filesystem::directory_iterator ("/proc"))
    {
        const auto pid = std::atoi (entry.path().filename().c_str());
        if (pid <= 0)
            continue;
        const auto fields = procStat (pid);
        if (fields.size() > 2)
            parents[pid] = fields[1].getIntValue();
    }
    std::set<int> found;
    for (bool grew = true; grew;)
    {
        grew = false;
        for (const auto& [pid, ppid] : parents)
            if ((ppid == parent || found.count (ppid) != 0) && found.insert (pid).second)
                grew = true;
    }
    return found;
}

int openDescriptors()
{
    return juce::File ("/proc/self/fd").getNumberOfChildFiles (juce::File::findFilesAndDirectories);
}

// CPU seconds used so far by a process.
double cpuSeconds (int pid)
{
    const auto fields = procStat (pid);
    if (fields.size() < 14)
        return 0.0;
    return (fields[11].getLargeIntValue() + fields[12].getLargeIntValue()) / (double) sysconf (_SC_CLK_TCK);
}

const juce::String roundTrip = R"JS((() => {
  const backend = window.__JUCE__.backend;
  const token = backend.addEventListener("__juce__complete", (answer) => {
    if (answer.promiseId !== 424242) return;
    backend.removeEventListener(token);
    backend.emitEvent("test.version", answer.result);
  });
  backend.emitEvent("__juce__invoke", { name: "getPluginVersion", params: [], resultId: 424242 });
  const vizToken = backend.addEventListener("viz", (viz) => {
    backend.removeEventListener(vizToken);
    backend.emitEvent("test.viz", Object.keys(viz).length);
  });
})();)JS";
} // namespace

class EditorWindow : public testing::Test
{
protected:
    TempHome home;
    ObservedHelpers helpers;
    KavroLabAudioProcessor processor;
};

TEST_F (EditorWindow, ThePageLoadsTalksBothWaysAndShowsInTheThemesColours)
{
    for (const bool white : { false, true })
    {
        SCOPED_TRACE (white ? "white" : "dark");
        home.writeUiSettings (white ? R"({"theme": "white"})" : "{}");
        OpenEditor window (processor);
        auto& page = *helpers.latest;
        page.waitFor ("loaded");

        page.run (roundTrip);
        EXPECT_EQ (page.waitFor ("message", "test.version").toString(), "1.1.0");
        EXPECT_EQ ((int) page.waitFor ("message", "test.viz"), 13);

        pumpMessages (1500); // the page's first frames
        const auto shot = screenshot (*window.editor);
        ASSERT_TRUE (shot.isValid());
        const auto pageColour = juce::Colour (white ? 0xffe3e5e8 : 0xff000000);
        const auto body = shot.getBounds().withTrimmedTop (shot.getHeight() / 2);
        const auto header = shot.getBounds().withHeight (shot.getHeight() / 6);
        EXPECT_GT (shareOfColour (shot, body, pageColour), 0.9) << "the page's background fills the window";
        EXPECT_LT (shareOfColour (shot, header, pageColour), 0.97) << "the header shows";
    }
}

TEST_F (EditorWindow, ANavigationFromThePageIsRefusedAndThePageStays)
{
    OpenEditor window (processor);
    auto& page = *helpers.latest;
    page.waitFor ("loaded");

    page.run ("window.stillHere = true; location.href = 'https://example.com/';");
    EXPECT_EQ (page.waitFor ("navigation-refused")["url"].toString(), "https://example.com/");
    pumpMessages (300);
    page.run (R"(window.__JUCE__.backend.emitEvent("test.stayed", { marker: window.stillHere === true, url: location.href });)");
    const auto stayed = page.waitFor ("message", "test.stayed");
    EXPECT_TRUE ((bool) stayed["marker"]);
    EXPECT_EQ (stayed["url"].toString(), "juce://juce.backend/");
}

TEST_F (EditorWindow, TheEmbeddedPageFollowsTheEditorsSize)
{
    OpenEditor window (processor);
    auto& page = *helpers.latest;
    const auto pageWindow = (juce::int64) (double) page.waitFor ("ready")["window"];
    page.waitFor ("loaded");

    page.run ("window.__JUCE__.backend.emitEvent('__juce__invoke', { name: 'setEditorSize', params: [820, 610], resultId: 9 });");
    for (int waited = 0; waited < 3000 && window.editor->getWidth() != 820; waited += 10)
        pumpMessages (10);
    pumpMessages (300);
    EXPECT_EQ (window.editor->getBounds().getWidth(), 820);

    juce::ChildProcess xwininfo;
    ASSERT_TRUE (xwininfo.start ("xwininfo -id " + juce::String (pageWindow)));
    const auto geometry = xwininfo.readAllProcessOutput();
    xwininfo.waitForProcessToFinish (5000); // reaped, so no zombie outlives the test
    EXPECT_TRUE (geometry.contains ("Width: 820")) << geometry;
    EXPECT_TRUE (geometry.contains ("Height: 610")) << geometry;
}

TEST_F (EditorWindow, TheKeyboardGoesWhereThePageAsks)
{
    OpenEditor window (processor);
    auto& page = *helpers.latest;
    page.waitFor ("loaded");
    window.editor->toFront (true);
    pumpMessages (300);

    auto setOwner = [&page] (bool toPage) {
        page.run ("window.__JUCE__.backend.emitEvent('__juce__invoke', { name: 'setKeyboardOwner', params: ["
                  + juce::String (toPage ? "true" : "false") + "], resultId: 7 });");
        pumpMessages (300);
    };

    setOwner (true);
    EXPECT_NE (dynamic_cast<juce::XEmbedComponent*> (juce::Component::getCurrentlyFocusedComponent()), nullptr);

    page.run ("const field = document.createElement('input'); field.id = 'typed'; document.body.prepend(field); field.focus();");
    pumpMessages (300);
    juce::ChildProcess typing;
    ASSERT_TRUE (typing.start ("xdotool type --delay 20 velbrook"));
    typing.waitForProcessToFinish (5000);
    pumpMessages (500);
    page.run ("window.__JUCE__.backend.emitEvent('test.typed', document.getElementById('typed').value);");
    EXPECT_EQ (page.waitFor ("message", "test.typed").toString(), "velbrook");

    setOwner (false);
    EXPECT_EQ (juce::Component::getCurrentlyFocusedComponent(), window.editor.get());
}

TEST_F (EditorWindow, ClosingTheEditorEndsTheHelperAndItsWebProcesses)
{
    // A descriptor of the host's, open without close-on-exec, must not reach the helper.
    const auto marker = juce::File::createTempFile (".host-file");
    marker.create();
    const int hostDescriptor = ::open (marker.getFullPathName().toRawUTF8(), O_RDONLY);

    std::vector<double> loadedSeconds, paintedSeconds;
    int descriptorsAfterFirst = 0;
    for (int round = 0; round < 10; ++round)
    {
        {
            OpenEditor window (processor);
            auto& page = *helpers.latest;
            const auto secondsSinceOpening = [&window] (Clock::time_point t) {
                return std::chrono::duration<double> (t - window.opened).count();
            };
            loadedSeconds.push_back (secondsSinceOpening (page.waitForArrival ("loaded").second));
            // Two animation frames after loading, the page has certainly been painted once.
            page.run ("requestAnimationFrame(() => requestAnimationFrame(() => window.__JUCE__.backend.emitEvent('test.painted', 0)));");
            paintedSeconds.push_back (secondsSinceOpening (page.waitForArrival ("message", "test.painted").second));
            EXPECT_GE (descendantsOf (getpid()).size(), 3u) << "helper, web and network process";
            for (auto pid : descendantsOf (getpid()))
                for (const auto& fd : std::filesystem::directory_iterator ("/proc/" + std::to_string (pid) + "/fd"))
                {
                    std::error_code gone;
                    EXPECT_NE (std::filesystem::read_symlink (fd.path(), gone).string(), marker.getFullPathName().toStdString());
                }
        }
        pumpMessages (50);
        EXPECT_TRUE (descendantsOf (getpid()).empty()) << "round " << round;
        if (round == 0)
            descriptorsAfterFirst = openDescriptors();
    }
    EXPECT_EQ (openDescriptors(), descriptorsAfterFirst);
    ::close (hostDescriptor);
    marker.deleteFile();

    for (auto* times : { &loadedSeconds, &paintedSeconds })
        std::sort (times->begin(), times->end());
    std::cout << "[ measured ] editor opened to page loaded: median " << loadedSeconds[5] * 1000.0 << " ms; to painted: median "
              << paintedSeconds[5] * 1000.0 << " ms (" << paintedSeconds.front() * 1000.0 << ".."
              << paintedSeconds.back() * 1000.0 << ")\n";
}

TEST_F (EditorWindow, AnOpenEditorCostsLittleCpu)
{
    OpenEditor window (processor);
    helpers.latest->waitFor ("loaded");
    pumpMessages (1000);

    // CPU seconds per process: this one (the editor) and each of its descendants, by name.
    auto usage = [] {
        std::map<juce::String, double> seconds { { "editor", cpuSeconds (getpid()) } };
        for (auto pid : descendantsOf (getpid()))
            seconds[juce::File ("/proc/" + juce::String (pid) + "/exe").getLinkedTarget().getFileName()] += cpuSeconds (pid);
        return seconds;
    };
    const auto before = usage();
    const auto start = Clock::now();
    // The framework's loop step that sleeps until something happens, as in a host (the test's
    // polling pump would be measured too); the editor's timer wakes it 30 times a second.
    while (Clock::now() - start < std::chrono::seconds (5))
        juce::dispatchNextMessageOnSystemQueue (false);
    const auto after = usage();
    const auto elapsed = std::chrono::duration<double> (Clock::now() - start).count();

    double share = 0.0;
    juce::String parts;
    for (const auto& [name, seconds] : after)
    {
        const auto part = (seconds - (before.count (name) != 0 ? before.at (name) : 0.0)) / elapsed;
        share += part;
        parts << " " << name << " " << juce::String (part * 100.0, 1) << " %";
    }
    std::cout << "[ measured ] open editor, 30 viz events a second: " << share * 100.0 << " % of one core:" << parts << "\n";
    EXPECT_LT (share, 0.5);
}

TEST_F (EditorWindow, WithoutItsHelperTheEditorSaysWhatIsMissing)
{
    PageConnection::setFactory ({});
    const auto exitsAtOnce = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                                 .getSiblingFile ("velbrook-helper-without-webkit");
    exitsAtOnce.replaceWithText ("#!/bin/sh\nexit 127\n", false, false, "\n");
    exitsAtOnce.setExecutePermission (true);

    const std::pair<const char*, const char*> cases[] {
        { "velbrook-no-such-helper", "missing" },
        { "velbrook-helper-without-webkit", "sudo apt install libwebkit2gtk-4.1-0 libgtk-3-0" },
    };
    for (const auto& [helperName, expected] : cases)
    {
        kavro::web::WebBrowserComponent browser (
            kavro::web::WebBrowserComponent::Options {}.withPageConnection (kavro::webview::helperProcess (helperName)));
        for (int waited = 0; waited < 5000 && browser.getUnavailableReason().isEmpty(); waited += 10)
            pumpMessages (10);
        EXPECT_TRUE (browser.getUnavailableReason().contains (expected)) << browser.getUnavailableReason();
    }
    exitsAtOnce.deleteFile();
    EXPECT_TRUE (descendantsOf (getpid()).empty());
}
