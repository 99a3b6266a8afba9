#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

// The parameter state owns a timer, so every test runs inside an initialised message system.
int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    return RUN_ALL_TESTS();
}
