#include "editor/web/PageConnection.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

namespace kavro::web
{
namespace
{
void writeJson (juce::String& out, const juce::var& value)
{
    if (value.isString())
        out << quoted (value.toString());
    else if (auto* array = value.getArray())
    {
        out << '[';
        for (int i = 0; i < array->size(); ++i)
        {
            if (i > 0)
                out << ',';
            writeJson (out, array->getReference (i));
        }
        out << ']';
    }
    else if (auto* object = value.getDynamicObject())
    {
        out << '{';
        bool first = true;
        for (const auto& property : object->getProperties())
        {
            if (! std::exchange (first, false))
                out << ',';
            out << quoted (property.name.toString()) << ':';
            writeJson (out, property.value);
        }
        out << '}';
    }
    else if (value.isBool() || value.isInt() || value.isInt64() || value.isDouble())
        out << juce::JSON::toString (value, true); // non-finite doubles come out as null
    else
        out << "null";
}

// Writes everything, or gives up when the reader has gone. A write into a closed pipe must not kill
// the process with SIGPIPE (it may be a host's), so the signal is held back for this thread and any
// pending one is consumed before it is let through again.
void writeAll (int fd, const char* data, size_t size)
{
    sigset_t pipeSignal, previous;
    sigemptyset (&pipeSignal);
    sigaddset (&pipeSignal, SIGPIPE);
    pthread_sigmask (SIG_BLOCK, &pipeSignal, &previous);

    bool brokenPipe = false;
    while (size > 0)
    {
        const auto written = ::write (fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
        {
            brokenPipe = (errno == EPIPE);
            break;
        }
        data += written;
        size -= (size_t) written;
    }

    if (brokenPipe && ! sigismember (&previous, SIGPIPE))
    {
        const timespec noWait { 0, 0 };
        while (sigtimedwait (&pipeSignal, nullptr, &noWait) > 0) {}
    }
    pthread_sigmask (SIG_SETMASK, &previous, nullptr);
}

PageConnection::Factory& factory()
{
    static PageConnection::Factory instance;
    return instance;
}
} // namespace

juce::String toJson (const juce::var& value)
{
    juce::String out;
    writeJson (out, value);
    return out;
}

juce::String quoted (const juce::String& text)
{
    juce::String out;
    out.preallocateBytes ((size_t) text.getNumBytesAsUTF8() + 2);
    out << '"';
    for (auto p = text.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();
        switch (c)
        {
            case '"':  out << "\\\""; break;
            case '\\': out << "\\\\"; break;
            case '\n': out << "\\n"; break;
            case '\r': out << "\\r"; break;
            case '\t': out << "\\t"; break;
            default:
                if (c < 0x20 || c == 0x2028 || c == 0x2029)
                    out << "\\u" << juce::String::toHexString ((int) c).paddedLeft ('0', 4);
                else
                    out << juce::String::charToString (c);
        }
    }
    out << '"';
    return out;
}

void PageConnection::setFactory (Factory newFactory)
{
    factory() = std::move (newFactory);
}

std::unique_ptr<PageConnection> PageConnection::create (const Factory& fallback)
{
    if (factory())
        return factory()();
    return fallback ? fallback() : nullptr;
}

//==============================================================================
class StreamPageConnection::Reader : public juce::Thread
{
public:
    Reader (int fdToRead, std::weak_ptr<std::function<void (const juce::var&)>> sinkToUse)
        : juce::Thread ("page connection"), fd (fdToRead), sink (std::move (sinkToUse))
    {
        startThread();
    }

    ~Reader() override { stopThread (2000); }

    void run() override
    {
        std::string pending;
        char buffer[65536];
        while (! threadShouldExit())
        {
            pollfd request { fd, POLLIN, 0 };
            const auto ready = ::poll (&request, 1, 50);
            if (ready == 0 || (ready < 0 && errno == EINTR))
                continue;

            const auto got = ready > 0 ? ::read (fd, buffer, sizeof (buffer)) : -1;
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;

            pending.append (buffer, (size_t) got);
            for (auto end = pending.find ('\n'); end != std::string::npos; end = pending.find ('\n'))
            {
                post (juce::JSON::parse (juce::String::fromUTF8 (pending.data(), (int) end)));
                pending.erase (0, end + 1);
            }
        }

        auto closed = std::make_unique<juce::DynamicObject>();
        closed->setProperty ("type", "closed");
        post (closed.release());
    }

private:
    void post (juce::var message)
    {
        if (message.getDynamicObject() == nullptr)
            return;
        juce::MessageManager::callAsync ([weakSink = sink, message] {
            if (auto target = weakSink.lock(); target && *target)
                (*target) (message);
        });
    }

    int fd;
    std::weak_ptr<std::function<void (const juce::var&)>> sink;
};

StreamPageConnection::StreamPageConnection (int readFd, int fdToWrite)
    : writeFd (fdToWrite),
      sink (std::make_shared<std::function<void (const juce::var&)>> ([this] (const juce::var& message) {
          deliver (message);
      }))
{
    reader = std::make_unique<Reader> (readFd, sink);
}

StreamPageConnection::~StreamPageConnection()
{
    sink.reset();
    reader.reset();
}

void StreamPageConnection::send (const juce::var& message)
{
    const auto line = toJson (message) + "\n";
    writeAll (writeFd, line.toRawUTF8(), line.getNumBytesAsUTF8());
}

void StreamPageConnection::deliver (const juce::var& message)
{
    if (onMessage)
        onMessage (message);
}
} // namespace kavro::web
