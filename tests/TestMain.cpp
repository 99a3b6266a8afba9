#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

// The parameter state owns a timer, so every test runs inside an initialised message system, and
// in a home folder of its own, so no test reads or writes the real user's presets and settings.
int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    TempHome home;
    return RUN_ALL_TESTS();
}
