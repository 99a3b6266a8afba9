#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

#include <X11/Xlib.h>

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);
    // Hosts keep running through X errors (the framework's window code asks for atoms a bare virtual
    // display has no window manager for); Xlib's default handler would end the test instead.
    XSetErrorHandler ([] (Display*, XErrorEvent*) { return 0; });
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    return RUN_ALL_TESTS();
}
