#pragma once

#include "editor/web/WebBrowserComponent.h"

// The editor's window-system routines: the web view's background and the component that holds the
// web view's window (X11, embedded), which is where the page's keyboard focus goes.
namespace kavro
{
juce::Colour pageColour (bool white);

// Gives the web view an opaque background in the theme's page colour (a transparent one shows
// black here); true once there is a web view to tint.
bool tintWebViewBackground (web::WebBrowserComponent&, bool white);

// The component embedding the web view's window, or null while there is none.
juce::Component* findWebView (web::WebBrowserComponent&);
} // namespace kavro
