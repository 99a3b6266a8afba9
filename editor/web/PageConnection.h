#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

namespace kavro::web
{
// JSON text that every JSON parser accepts: void and undefined become null, strings escape every
// control character and the two line separators JavaScript source cannot hold raw.
juce::String toJson (const juce::var&);

// A JSON string literal, which is also a valid JavaScript string literal.
juce::String quoted (const juce::String&);

// The component's link to whatever shows the page. Messages are JSON objects with a "type"; the
// line protocol is described in this folder's README.
class PageConnection
{
public:
    virtual ~PageConnection() = default;

    // Editor → page side. Called on the message thread.
    virtual void send (const juce::var& message) = 0;

    // Page side → editor; the connection calls it on the message thread, never after destruction.
    std::function<void (const juce::var&)> onMessage;

    using Factory = std::function<std::unique_ptr<PageConnection>()>;

    // Overrides the page side of every component built from now on (tests, the page host); an empty
    // factory lifts the override.
    static void setFactory (Factory);

    // The override's connection if there is one, else the given factory's, else none.
    static std::unique_ptr<PageConnection> create (const Factory& fallback);
};

// The line protocol over two file descriptors: one JSON object per line each way. A reader thread
// parses incoming lines and hands them to the message thread; end of input counts as the message
// {"type":"closed"}.
class StreamPageConnection : public PageConnection
{
public:
    StreamPageConnection (int readFd, int writeFd);
    ~StreamPageConnection() override;

    void send (const juce::var& message) override;

private:
    class Reader;
    void deliver (const juce::var& message);

    int writeFd;
    std::unique_ptr<Reader> reader;
    std::shared_ptr<std::function<void (const juce::var&)>> sink;
};
} // namespace kavro::web
