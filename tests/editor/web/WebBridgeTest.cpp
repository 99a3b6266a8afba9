#include "editor/web/WebBrowserComponent.h"
#include "support/FakePage.h"

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>

using kavro::web::WebBrowserComponent;

TEST (WebBridge, JsonTextIsValidForEveryParserAndScript)
{
    const juce::String tricky = juce::String ("quote \" backslash \\ newline \n bell \a nul-free \x01 ")
                                + juce::String (juce::CharPointer_UTF8 ("sep \xe2\x80\xa8 para \xe2\x80\xa9 umlaut \xc3\xbc emoji \xf0\x9f\x8e\xb5"));
    auto* object = new juce::DynamicObject();
    object->setProperty ("text", tricky);
    object->setProperty ("nan", std::numeric_limits<double>::quiet_NaN());
    object->setProperty ("list", juce::Array<juce::var> { 1, 2.5, true, juce::var() });
    const juce::var value (object);

    const auto text = kavro::web::toJson (value);
    for (const auto c : { '\n', '\a', '\x01' })
        EXPECT_FALSE (text.containsChar (c));
    EXPECT_FALSE (text.containsChar (0x2028));
    EXPECT_TRUE (text.contains (R"("nan":null)"));
    EXPECT_TRUE (text.contains (R"("list":[1,2.5,true,null])"));
    EXPECT_EQ (juce::JSON::parse (text)["text"].toString(), tricky);
    EXPECT_EQ (kavro::web::toJson (juce::var::undefined()), "null");
    EXPECT_EQ (juce::JSON::parse ("[" + kavro::web::quoted (tricky) + "]")[0].toString(), tricky);
}

TEST (WebBridge, ANativeFunctionAnswersOnceOnTheMessageThreadAndOnlyToThePageThatAsked)
{
    FakePageFactory pages;
    WebBrowserComponent::NativeFunctionCompletion kept;
    WebBrowserComponent browser (WebBrowserComponent::Options {}
                                     .withNativeIntegrationEnabled()
                                     .withNativeFunction ("later", [&] (const juce::Array<juce::var>&, auto complete) {
                                         kept = std::move (complete);
                                     }));
    browser.setVisible (true);
    browser.goToURL (WebBrowserComponent::getResourceProviderRoot());
    auto& page = *pages.latest;
    page.open();

    page.post ("__juce__invoke", jsonObject ({ { "name", "later" }, { "params", juce::Array<juce::var>() }, { "resultId", 4 } }));
    std::thread worker ([&] {
        kept ("first");
        kept ("second");
    });
    worker.join();
    EXPECT_TRUE (page.events ("__juce__complete").empty()); // carried over to the message thread
    pumpMessages (20);
    ASSERT_EQ (page.events ("__juce__complete").size(), 1u);
    EXPECT_EQ (juce::JSON::toString (page.events ("__juce__complete")[0], true), R"({"promiseId": 4, "result": "first"})");

    page.post ("__juce__invoke", jsonObject ({ { "name", "later" }, { "params", juce::Array<juce::var>() }, { "resultId", 0 } }));
    page.fromPageSide (jsonObject ({ { "type", "ready" }, { "window", 0 } })); // the page side restarted
    page.open();
    kept ("stale");
    EXPECT_EQ (page.events ("__juce__complete").size(), 1u);
}

TEST (WebBridge, SendsScriptsOnlyToALivePageAndEventsOnlyWhileVisible)
{
    FakePageFactory pages;
    WebBrowserComponent browser (WebBrowserComponent::Options {}.withNativeIntegrationEnabled());
    browser.setVisible (true);
    browser.emitEventIfBrowserIsVisible ("early", 1);
    browser.goToURL (WebBrowserComponent::getResourceProviderRoot());
    auto& page = *pages.latest;
    EXPECT_TRUE (page.sent.empty()); // the page side has not said it is ready

    page.fromPageSide (jsonObject ({ { "type", "ready" }, { "window", 0 } }));
    browser.emitEventIfBrowserIsVisible ("beforeLoad", 1);
    EXPECT_EQ (page.sent.size(), 1u); // the load only

    page.fromPageSide (jsonObject ({ { "type", "loaded" }, { "url", "juce://juce.backend/" } }));
    browser.emitEventIfBrowserIsVisible ("live", 1);
    browser.setVisible (false);
    browser.emitEventIfBrowserIsVisible ("hidden", 1);
    ASSERT_EQ (page.emitted().size(), 1u);
    EXPECT_EQ (page.emitted()[0].first, "live");

    page.fromPageSide (jsonObject ({ { "type", "closed" } }));
    browser.setVisible (true);
    browser.emitEventIfBrowserIsVisible ("afterClose", 1);
    EXPECT_EQ (page.emitted().size(), 1u);
}

TEST (WebBridge, StreamConnectionCarriesLinesBothWaysAndSurvivesAClosedReader)
{
    int toEditor[2], fromEditor[2];
    ASSERT_EQ (pipe (toEditor), 0);
    ASSERT_EQ (pipe (fromEditor), 0);

    std::vector<juce::var> received;
    {
        kavro::web::StreamPageConnection connection (toEditor[0], fromEditor[1]);
        connection.onMessage = [&] (const juce::var& message) { received.push_back (message); };

        const std::string incoming = "{\"type\":\"ready\",\"window\":42}\n{\"type\":\"mess";
        ASSERT_EQ (write (toEditor[1], incoming.data(), incoming.size()), (ssize_t) incoming.size());
        const std::string rest = "age\",\"text\":\"\\u00fc\"}\nnot json\n";
        ASSERT_EQ (write (toEditor[1], rest.data(), rest.size()), (ssize_t) rest.size());
        close (toEditor[1]);
        pumpMessages (200);

        ASSERT_EQ (received.size(), 3u);
        EXPECT_EQ ((int) received[0]["window"], 42);
        EXPECT_EQ (received[1]["text"].toString(), juce::String (juce::CharPointer_UTF8 ("\xc3\xbc")));
        EXPECT_EQ (received[2]["type"].toString(), "closed");

        connection.send (jsonObject ({ { "type", "evaluate" }, { "script", "a\nb" } }));
        char buffer[256] {};
        const auto got = read (fromEditor[0], buffer, sizeof (buffer) - 1);
        EXPECT_EQ (juce::String (buffer, (size_t) got), "{\"type\":\"evaluate\",\"script\":\"a\\nb\"}\n");

        close (fromEditor[0]);
        connection.send (jsonObject ({ { "type", "quit" } })); // must not end the process
    }
    close (toEditor[0]);
    close (fromEditor[1]);
}
