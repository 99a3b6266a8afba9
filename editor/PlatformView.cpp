#include "editor/PlatformView.h"

namespace kavro
{
juce::Colour pageColour (bool white)
{
    return juce::Colour (white ? 0xffe3e5e8 : 0xff000000);
}

bool tintWebViewBackground (web::WebBrowserComponent& browser, bool white)
{
    browser.setPageBackground (pageColour (white));
    return findWebView (browser) != nullptr;
}

juce::Component* findWebView (web::WebBrowserComponent& browser)
{
    return browser.getPageView();
}
} // namespace kavro
