// velbrook-pagehost: the real processor and editor without a window, for browser tests. It stands
// where the web-view helper stands: the editor's side of the line protocol on stdin/stdout. A test
// driver on file descriptor 3 (JSON lines {"id", "cmd", ...} answered by {"id", "result"|"error"})
// plays the host: parameters, gestures, the test signal, the editor's state. See tests/web/README.md.
#include "DemoSignal.h"
#include "editor/PluginEditor.h"

#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace
{
using kavro::web::PageConnection;
using kavro::web::StreamPageConnection;

enum class SignalKind
{
    demo,
    silence,
    click
};

// Feeds the processor a block at a time at the pace of real audio, like a host's audio thread.
class AudioThread : public juce::Thread
{
public:
    static constexpr double sampleRate = kavro::demo::sampleRate;
    static constexpr int blockSize = 512;

    explicit AudioThread (juce::AudioProcessor& p) : juce::Thread ("audio"), processor (p)
    {
        processor.prepareToPlay (sampleRate, blockSize);
        startThread (juce::Thread::Priority::high);
    }

    ~AudioThread() override { stopThread (2000); }

    void play (SignalKind kind)
    {
        clickPending = kind == SignalKind::click;
        signalKind = kind;
    }

private:
    void run() override
    {
        juce::AudioBuffer<float> block (2, blockSize);
        juce::MidiBuffer midi;
        const auto period = blockSize / sampleRate;
        auto next = juce::Time::getMillisecondCounterHiRes();
        int position = 0;

        while (! threadShouldExit())
        {
            fill (block, position);
            processor.processBlock (block, midi);
            next += period * 1000.0;
            const auto wait = next - juce::Time::getMillisecondCounterHiRes();
            if (wait > 0)
                juce::Thread::sleep ((int) wait);
            else
                next = juce::Time::getMillisecondCounterHiRes(); // fell behind: do not rush to catch up
        }
    }

    void fill (juce::AudioBuffer<float>& block, int& position)
    {
        block.clear();
        if (signalKind == SignalKind::demo)
        {
            for (int i = 0; i < blockSize; ++i, position = (position + 1) % demo.getNumSamples())
                for (int ch = 0; ch < 2; ++ch)
                    block.setSample (ch, i, demo.getSample (ch, position));
        }
        else if (clickPending.exchange (false))
        {
            for (int i = 0; i < 64; ++i)
                for (int ch = 0; ch < 2; ++ch)
                    block.setSample (ch, i, 0.9f);
        }
    }

    juce::AudioProcessor& processor;
    const juce::AudioBuffer<float> demo = kavro::demo::makeDemoSignal();
    std::atomic<SignalKind> signalKind { SignalKind::demo };
    std::atomic<bool> clickPending { false };
};

// Parameter gestures as the host sees them, in order.
class GestureLog : private juce::AudioProcessorListener
{
public:
    explicit GestureLog (juce::AudioProcessor& p) : processor (p) { processor.addListener (this); }
    ~GestureLog() override { processor.removeListener (this); }

    juce::var take()
    {
        const std::scoped_lock lock (mutex);
        return std::exchange (entries, juce::Array<juce::var>());
    }

private:
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override { add (index, "begin"); }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override { add (index, "end"); }

    void add (int index, const char* kind)
    {
        auto* entry = new juce::DynamicObject();
        if (auto* withId = dynamic_cast<juce::AudioProcessorParameterWithID*> (processor.getParameters()[index]))
            entry->setProperty ("param", withId->paramID);
        entry->setProperty ("kind", kind);
        const std::scoped_lock lock (mutex);
        entries.append (entry);
    }

    juce::AudioProcessor& processor;
    std::mutex mutex;
    juce::var entries { juce::Array<juce::var>() };
};

// The editor's connection to the test driver's page side; its end ends the program.
class StdioPageConnection : public PageConnection
{
public:
    StdioPageConnection (int readFd, int writeFd) : stream (readFd, writeFd)
    {
        stream.onMessage = [this] (const juce::var& message) {
            if (onMessage)
                onMessage (message);
            if (message["type"] == "closed")
                juce::MessageManager::getInstance()->stopDispatchLoop();
        };
    }

    void send (const juce::var& message) override { stream.send (message); }

private:
    StreamPageConnection stream;
};

class TestDriver
{
public:
    TestDriver (KavroLabAudioProcessor& p, AudioThread& a, juce::AudioProcessorEditor& e)
        : processor (p), audio (a), editor (e), gestures (p), channel (3, 3)
    {
        channel.onMessage = [this] (const juce::var& request) { answer (request); };
    }

private:
    void answer (const juce::var& request)
    {
        if (request["type"] == "closed")
            return;
        auto* reply = new juce::DynamicObject();
        reply->setProperty ("id", request["id"]);
        try
        {
            reply->setProperty ("result", run (request["cmd"].toString(), request));
        }
        catch (const std::exception& failure)
        {
            reply->setProperty ("error", juce::String (failure.what()));
        }
        channel.send (reply);
    }

    juce::var run (const juce::String& command, const juce::var& request)
    {
        if (command == "getParameter")
            return parameter (request).convertFrom0to1 (parameter (request).getValue());
        if (command == "setParameter")
        {
            auto& target = parameter (request);
            target.setValueNotifyingHost (target.convertTo0to1 ((float) request["value"]));
            return {};
        }
        if (command == "takeGestures")
            return gestures.take();
        if (command == "signal")
        {
            static const std::map<juce::String, SignalKind> kinds {
                { "demo", SignalKind::demo }, { "silence", SignalKind::silence }, { "click", SignalKind::click }
            };
            const auto kind = kinds.find (request["kind"].toString());
            if (kind == kinds.end())
                throw std::invalid_argument ("unknown signal \"" + request["kind"].toString().toStdString() + "\"");
            audio.play (kind->second);
            return {};
        }
        if (command == "editor")
        {
            auto* state = new juce::DynamicObject();
            state->setProperty ("width", editor.getWidth());
            state->setProperty ("height", editor.getHeight());
            state->setProperty ("controlParameterIndex", editor.getControlParameterIndex (editor));
            return state;
        }
        throw std::invalid_argument ("unknown command \"" + command.toStdString() + "\"");
    }

    juce::RangedAudioParameter& parameter (const juce::var& request)
    {
        const auto id = request["param"].toString();
        if (auto* found = processor.apvts.getParameter (id))
            return *found;
        throw std::invalid_argument ("unknown parameter \"" + id.toStdString() + "\"");
    }

    KavroLabAudioProcessor& processor;
    AudioThread& audio;
    juce::AudioProcessorEditor& editor;
    GestureLog gestures;
    StreamPageConnection channel;
};

bool isOpen (int fd)
{
    return fcntl (fd, F_GETFD) != -1;
}
} // namespace

int main()
{
    std::signal (SIGPIPE, SIG_IGN);

    // The protocol owns stdout; anything else that prints goes to stderr.
    const int protocolOut = dup (STDOUT_FILENO);
    fcntl (protocolOut, F_SETFD, FD_CLOEXEC);
    dup2 (STDERR_FILENO, STDOUT_FILENO);

    juce::ScopedJuceInitialiser_GUI juce;
    PageConnection::setFactory ([protocolOut] { return std::make_unique<StdioPageConnection> (STDIN_FILENO, protocolOut); });

    KavroLabAudioProcessor processor;
    processor.setPlayConfigDetails (2, 2, AudioThread::sampleRate, AudioThread::blockSize);
    AudioThread audio (processor);
    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());

    std::unique_ptr<TestDriver> driver;
    if (isOpen (3))
        driver = std::make_unique<TestDriver> (processor, audio, *editor);

    juce::MessageManager::getInstance()->runDispatchLoop();

    driver.reset();
    processor.editorBeingDeleted (editor.get());
    editor.reset();
    PageConnection::setFactory ({});
    return 0;
}
