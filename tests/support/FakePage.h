#pragma once

#include "editor/web/PageConnection.h"
#include "support/JsonObject.h"
#include "support/MessagePump.h"
#include "support/PageOverride.h"

#include <vector>

// Stands where the web view stands: records what the editor sends and plays the page's part of the
// protocol. Components built while a FakePageFactory lives get one each.
class FakePage : public kavro::web::PageConnection
{
public:
    void send (const juce::var& message) override { sent.push_back (message); }

    void fromPageSide (const juce::var& message)
    {
        if (onMessage)
            onMessage (message);
    }

    void open() // the page side is up and the page has loaded
    {
        fromPageSide (jsonObject ({ { "type", "ready" }, { "window", 0 } }));
        fromPageSide (jsonObject ({ { "type", "loaded" }, { "url", "juce://juce.backend/" } }));
    }

    void post (const juce::String& eventId, const juce::var& payload)
    {
        const auto text = juce::JSON::toString (jsonObject ({ { "eventId", eventId }, { "payload", payload } }), true);
        fromPageSide (jsonObject ({ { "type", "message" }, { "text", text } }));
    }

    // Calls a native function as the page does and waits for its answer.
    juce::var invoke (const juce::String& name, juce::Array<juce::var> params = {})
    {
        const auto resultId = nextResultId++;
        post ("__juce__invoke", jsonObject ({ { "name", name }, { "params", params }, { "resultId", resultId } }));
        for (int waited = 0; waited < 2000; waited += 5)
        {
            for (const auto& complete : events ("__juce__complete"))
                if ((int) complete["promiseId"] == resultId)
                    return complete["result"];
            pumpMessages (5);
        }
        throw std::runtime_error ("no answer from " + name.toStdString());
    }

    // The payloads of every event of this id the editor emitted, in order.
    std::vector<juce::var> events (const juce::String& eventId) const
    {
        std::vector<juce::var> found;
        for (const auto& [id, payload] : emitted())
            if (id == eventId)
                found.push_back (payload);
        return found;
    }

    // Every event the editor emitted, as (event id, payload), in order.
    std::vector<std::pair<juce::String, juce::var>> emitted() const
    {
        static const juce::String prefix = "window.__JUCE__.backend.emitByBackend(";
        std::vector<std::pair<juce::String, juce::var>> result;
        for (const auto& message : sent)
        {
            const auto script = message["script"].toString();
            if (message["type"] != "evaluate" || ! script.startsWith (prefix))
                continue;
            const auto arguments = juce::JSON::parse ("[" + script.substring (prefix.length()).dropLastCharacters (2) + "]");
            result.emplace_back (arguments[0].toString(), juce::JSON::parse (arguments[1].toString()));
        }
        return result;
    }

    // The lists the page finds in window.__JUCE__.initialisationData, read from the load message's script.
    juce::var initialisationData() const
    {
        const auto script = sentOfType ("load").at (0)["script"].toString();
        return juce::JSON::parse (script.fromFirstOccurrenceOf ("initialisationData: ", false, false)
                                      .upToFirstOccurrenceOf (",\n    backend:", false, false));
    }

    std::vector<juce::var> sentOfType (const juce::String& type) const
    {
        std::vector<juce::var> found;
        for (const auto& message : sent)
            if (message["type"] == type)
                found.push_back (message);
        return found;
    }

    std::vector<juce::var> sent;

private:
    int nextResultId = 0;
};

using FakePageFactory = PageOverride<FakePage>;
