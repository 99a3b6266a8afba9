#pragma once

#include "editor/web/PageConnection.h"

#include <juce_gui_extra/juce_gui_extra.h>

#include <cstddef>
#include <map>
#include <optional>
#include <vector>

namespace kavro::web
{
class WebBrowserComponent;

// Told when a component built from options that carry it comes and goes; relays use it to know
// where to emit.
struct WebViewLifetimeListener
{
    virtual ~WebViewLifetimeListener() = default;
    virtual void webViewConstructed (WebBrowserComponent*) = 0;
    virtual void webViewDestructed (WebBrowserComponent*) = 0;
};

// A web view whose page is served from resources in memory and talks to native code through
// functions, events and relays. The page itself is shown by a page side behind a PageConnection.
class WebBrowserComponent : public juce::Component
{
public:
    struct Resource
    {
        std::vector<std::byte> data;
        juce::String mimeType;
    };

    using ResourceProvider = std::function<std::optional<Resource> (const juce::String& path)>;
    using NativeFunctionCompletion = std::function<void (juce::var)>;
    using NativeFunction = std::function<void (const juce::Array<juce::var>&, NativeFunctionCompletion)>;
    using EventListener = std::function<void (const juce::var&)>;

    class Options
    {
    public:
        Options withNativeIntegrationEnabled (bool enabled = true) const;
        Options withNativeFunction (const juce::Identifier& name, NativeFunction) const;
        Options withEventListener (const juce::Identifier& eventId, EventListener) const;
        // Appends the value to the named list that the page finds in its initialisation data.
        Options withInitialisationData (const juce::String& name, const juce::var& value) const;
        Options withResourceProvider (ResourceProvider) const;
        Options withWebViewLifetimeListener (WebViewLifetimeListener*) const;
        // The page side this component starts (see PageConnection::setFactory for the override).
        Options withPageConnection (PageConnection::Factory) const;

        template <typename Builder>
        Options withOptionsFrom (Builder& builder) const
        {
            return builder.buildOptions (*this);
        }

    private:
        friend class WebBrowserComponent;

        bool nativeIntegration = false;
        std::vector<std::pair<juce::Identifier, NativeFunction>> nativeFunctions;
        std::vector<std::pair<juce::Identifier, EventListener>> eventListeners;
        std::vector<std::pair<juce::String, juce::Array<juce::var>>> initialisationData;
        ResourceProvider resourceProvider;
        std::vector<WebViewLifetimeListener*> lifetimeListeners;
        PageConnection::Factory pageConnection;
    };

    explicit WebBrowserComponent (const Options&);
    ~WebBrowserComponent() override;

    static juce::String getResourceProviderRoot() { return "juce://juce.backend/"; }

    // Shows the URL, if pageAboutToLoad allows it.
    void goToURL (const juce::String& url);

    // Whether a navigation may proceed; every URL by default.
    virtual bool pageAboutToLoad (const juce::String& newURL);

    // Sends the event to the page's backend listeners; dropped while this component is hidden.
    void emitEventIfBrowserIsVisible (const juce::Identifier& eventId, const juce::var& object);
    void evaluateJavascript (const juce::String& script);

    // What the page finds at document start; made once, from the options.
    const juce::String& getInitialisationScript() const { return initialisationScript; }

    // True between the page's first sign of life after a load and the next load or disconnect.
    bool isPageLive() const { return pageLive; }

    // The native window the page side shows the page in (X11), 0 while there is none.
    juce::uint64 getPageWindow() const { return pageWindow; }

    // The component that embeds that window, while there is one; it takes the keyboard for the page.
    juce::Component* getPageView() const { return pageView.get(); }

    // The opaque colour behind the page, also shown before the page has drawn anything.
    void setPageBackground (juce::Colour);

    // Why the page cannot be shown, or empty; the component then paints the reason.
    const juce::String& getUnavailableReason() const { return unavailableReason; }

    void paint (juce::Graphics&) override;
    void resized() override;

private:
    void handlePageSideMessage (const juce::var& message);
    void handlePageMessage (const juce::String& text);
    void invokeNativeFunction (const juce::var& call);
    void answerResourceRequest (const juce::var& request);
    void sendLoad();
    void sendBackground();
    void showPageWindow (juce::uint64 window);

    Options options;
    juce::String initialisationScript;
    std::map<juce::String, NativeFunction> nativeFunctions;
    std::multimap<juce::String, EventListener> eventListeners;
    std::unique_ptr<PageConnection> connection;

    std::unique_ptr<juce::XEmbedComponent> pageView;
    juce::String pageUrl, unavailableReason;
    std::optional<juce::Colour> pageBackground;
    juce::uint64 pageWindow = 0;
    bool pageSideReady = false, pageLive = false;
    int pageGeneration = 0; // answers meant for a page that has since been replaced are dropped

    JUCE_DECLARE_WEAK_REFERENCEABLE (WebBrowserComponent)
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WebBrowserComponent)
};
} // namespace kavro::web
