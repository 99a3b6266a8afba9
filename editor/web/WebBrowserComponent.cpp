#include "editor/web/WebBrowserComponent.h"

#include "editor/web/InitialisationScript.h"

namespace kavro::web
{
namespace
{
juce::var makeMessage (const char* type)
{
    auto* object = new juce::DynamicObject();
    object->setProperty ("type", type);
    return object;
}

juce::var withProperty (juce::var message, const juce::Identifier& name, const juce::var& value)
{
    message.getDynamicObject()->setProperty (name, value);
    return message;
}

// Runs the completion once, on the message thread, and only while the page that asked is loaded.
WebBrowserComponent::NativeFunctionCompletion makeCompletion (WebBrowserComponent& browser,
                                                              std::function<void (juce::var)> answer)
{
    auto done = std::make_shared<std::atomic<bool>> (false);
    return [done, answer = std::move (answer), safeBrowser = juce::Component::SafePointer<WebBrowserComponent> (&browser)] (
               juce::var result) {
        if (done->exchange (true))
            return;
        auto deliver = [safeBrowser, answer, result] {
            if (safeBrowser != nullptr)
                answer (result);
        };
        if (juce::MessageManager::getInstance()->isThisTheMessageThread())
            deliver();
        else
            juce::MessageManager::callAsync (std::move (deliver));
    };
}
} // namespace

//==============================================================================
WebBrowserComponent::Options WebBrowserComponent::Options::withNativeIntegrationEnabled (bool enabled) const
{
    auto copy = *this;
    copy.nativeIntegration = enabled;
    return copy;
}

WebBrowserComponent::Options WebBrowserComponent::Options::withNativeFunction (const juce::Identifier& name,
                                                                               NativeFunction function) const
{
    auto copy = *this;
    copy.nativeFunctions.emplace_back (name, std::move (function));
    return copy;
}

WebBrowserComponent::Options WebBrowserComponent::Options::withEventListener (const juce::Identifier& eventId,
                                                                              EventListener listener) const
{
    auto copy = *this;
    copy.eventListeners.emplace_back (eventId, std::move (listener));
    return copy;
}

WebBrowserComponent::Options WebBrowserComponent::Options::withInitialisationData (const juce::String& name,
                                                                                   const juce::var& value) const
{
    auto copy = *this;
    auto entry = std::find_if (copy.initialisationData.begin(), copy.initialisationData.end(),
                               [&] (const auto& item) { return item.first == name; });
    if (entry == copy.initialisationData.end())
        entry = copy.initialisationData.insert (copy.initialisationData.end(), { name, {} });
    entry->second.add (value);
    return copy;
}

WebBrowserComponent::Options WebBrowserComponent::Options::withResourceProvider (ResourceProvider provider) const
{
    auto copy = *this;
    copy.resourceProvider = std::move (provider);
    return copy;
}

WebBrowserComponent::Options WebBrowserComponent::Options::withWebViewLifetimeListener (
    WebViewLifetimeListener* listener) const
{
    auto copy = *this;
    copy.lifetimeListeners.push_back (listener);
    return copy;
}

WebBrowserComponent::Options WebBrowserComponent::Options::withPageConnection (PageConnection::Factory factory) const
{
    auto copy = *this;
    copy.pageConnection = std::move (factory);
    return copy;
}

//==============================================================================
WebBrowserComponent::WebBrowserComponent (const Options& optionsToUse)
    : options (optionsToUse)
{
    if (options.nativeIntegration)
    {
        auto* data = new juce::DynamicObject();
        juce::Array<juce::var> functionNames;
        for (const auto& [name, function] : options.nativeFunctions)
            functionNames.add (name.toString());

        data->setProperty ("__juce__platform", juce::Array<juce::var> { "linux" });
        data->setProperty ("__juce__functions", functionNames);
        for (const auto* list : { "__juce__sliders", "__juce__toggles", "__juce__comboBoxes",
                                  "__juce__registeredGlobalEventIds" })
            data->setProperty (list, juce::Array<juce::var>());
        for (const auto& [name, values] : options.initialisationData)
            data->setProperty (name, values);

        initialisationScript = makeInitialisationScript (data);

        for (const auto& [name, function] : options.nativeFunctions)
            nativeFunctions.emplace (name.toString(), function);
        for (const auto& [eventId, listener] : options.eventListeners)
            eventListeners.emplace (eventId.toString(), listener);
    }

    connection = PageConnection::create (options.pageConnection);
    if (connection != nullptr)
        connection->onMessage = [this] (const juce::var& message) { handlePageSideMessage (message); };

    for (auto* listener : options.lifetimeListeners)
        listener->webViewConstructed (this);
}

WebBrowserComponent::~WebBrowserComponent()
{
    for (auto* listener : options.lifetimeListeners)
        listener->webViewDestructed (this);

    pageView.reset();
    if (connection != nullptr)
        connection->send (makeMessage ("quit"));
}

void WebBrowserComponent::paint (juce::Graphics& g)
{
    if (unavailableReason.isEmpty())
        return;
    const auto background = pageBackground.value_or (juce::Colours::black);
    g.setColour (background.contrasting (0.8f));
    g.setFont (15.0f);
    g.drawFittedText (unavailableReason, getLocalBounds().reduced (24), juce::Justification::centred, 12);
}

void WebBrowserComponent::resized()
{
    if (pageView != nullptr)
        pageView->setBounds (getLocalBounds());
}

void WebBrowserComponent::setPageBackground (juce::Colour colour)
{
    pageBackground = colour;
    sendBackground();
    repaint();
}

void WebBrowserComponent::sendBackground()
{
    if (connection != nullptr && pageSideReady && pageBackground.has_value())
        connection->send (withProperty (makeMessage ("background"), "colour",
                                        "#" + pageBackground->toDisplayString (false).toLowerCase()));
}

void WebBrowserComponent::showPageWindow (juce::uint64 window)
{
    pageView.reset();
    pageWindow = window;
    if (window == 0)
        return;
    pageView = std::make_unique<juce::XEmbedComponent> ((unsigned long) window, true, false);
    addAndMakeVisible (*pageView);
    resized();
}

bool WebBrowserComponent::pageAboutToLoad (const juce::String&)
{
    return true;
}

void WebBrowserComponent::goToURL (const juce::String& url)
{
    if (! pageAboutToLoad (url))
        return;
    pageUrl = url;
    sendLoad();
}

void WebBrowserComponent::sendLoad()
{
    if (connection == nullptr || ! pageSideReady || pageUrl.isEmpty())
        return;
    pageLive = false;
    ++pageGeneration;
    auto load = withProperty (makeMessage ("load"), "url", pageUrl);
    connection->send (withProperty (load, "script", initialisationScript));
}

void WebBrowserComponent::emitEventIfBrowserIsVisible (const juce::Identifier& eventId, const juce::var& object)
{
    if (! isVisible())
        return;
    evaluateJavascript ("window.__JUCE__.backend.emitByBackend(" + quoted (eventId.toString()) + ", "
                        + quoted (toJson (object)) + ");");
}

void WebBrowserComponent::evaluateJavascript (const juce::String& script)
{
    if (connection != nullptr && pageLive)
        connection->send (withProperty (makeMessage ("evaluate"), "script", script));
}

//==============================================================================
void WebBrowserComponent::handlePageSideMessage (const juce::var& message)
{
    const auto type = message["type"].toString();

    if (type == "ready")
    {
        pageSideReady = true;
        unavailableReason.clear();
        sendBackground();
        sendLoad();
        showPageWindow ((juce::uint64) (juce::int64) message["window"]);
    }
    else if (type == "message")
    {
        pageLive = true;
        handlePageMessage (message["text"].toString());
    }
    else if (type == "loaded")
    {
        pageLive = true;
    }
    else if (type == "resource-request")
    {
        answerResourceRequest (message);
    }
    else if (type == "closed")
    {
        pageSideReady = pageLive = false;
        showPageWindow (0);
    }
    else if (type == "failed")
    {
        unavailableReason = message["text"].toString();
        repaint();
    }
    else if (type == "log" || type == "navigation-refused")
    {
        DBG ("page: " << type << " " << message["text"].toString() << message["url"].toString());
    }
}

void WebBrowserComponent::handlePageMessage (const juce::String& text)
{
    const auto message = juce::JSON::parse (text);
    const auto eventId = message["eventId"].toString();
    if (eventId.isEmpty())
        return;

    if (eventId == "__juce__invoke")
    {
        invokeNativeFunction (message["payload"]);
        return;
    }

    const auto payload = message["payload"];
    const auto [first, last] = eventListeners.equal_range (eventId);
    for (auto listener = first; listener != last; ++listener)
        listener->second (payload);
}

void WebBrowserComponent::invokeNativeFunction (const juce::var& call)
{
    const auto resultId = call["resultId"];
    const auto generation = pageGeneration;
    auto complete = makeCompletion (*this, [this, resultId, generation] (juce::var result) {
        if (generation != pageGeneration)
            return;
        auto* answer = new juce::DynamicObject();
        answer->setProperty ("promiseId", resultId);
        answer->setProperty ("result", result);
        emitEventIfBrowserIsVisible ("__juce__complete", answer);
    });

    const auto function = nativeFunctions.find (call["name"].toString());
    if (function == nativeFunctions.end())
    {
        complete ({});
        return;
    }

    juce::Array<juce::var> arguments;
    if (const auto* params = call["params"].getArray())
        arguments = *params;
    function->second (arguments, std::move (complete));
}

void WebBrowserComponent::answerResourceRequest (const juce::var& request)
{
    auto answer = withProperty (makeMessage ("resource"), "id", request["id"]);
    const auto path = request["path"].toString().upToFirstOccurrenceOf ("?", false, false);

    std::optional<Resource> resource;
    if (options.resourceProvider)
        resource = options.resourceProvider (path);

    answer = withProperty (answer, "found", resource.has_value());
    if (resource.has_value())
    {
        answer = withProperty (answer, "mime", resource->mimeType);
        answer = withProperty (answer, "data", juce::Base64::toBase64 (resource->data.data(), resource->data.size()));
    }
    if (connection != nullptr)
        connection->send (answer);
}
} // namespace kavro::web
