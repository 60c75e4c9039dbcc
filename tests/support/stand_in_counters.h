// What a stand-in AviSynth library counts of the program's calls. The library and the tests that
// read it through stand_in_counters() share this layout.
#pragma once

namespace bv::standin {

struct Counters {
    int clipsOpen = 0;          // clips some value or avs_take_clip reference still holds
    int framesOpen = 0;         // frames fetched and not yet released
    int valuesReleased = 0;     // avs_release_value calls
    int invokes = 0;            // avs_invoke calls
    int overlappingCalls = 0;   // frame calls made while another thread was inside one
    char lastFunction[32] = {}; // the function the last avs_invoke named
};

} // namespace bv::standin
