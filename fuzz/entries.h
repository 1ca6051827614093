#pragma once
#include <cstddef>
#include <cstdint>

// The checks behind the fuzz targets. Each takes one input, runs it through
// the code that reads outside text and aborts (in any build) when a promise
// of that code is broken. The regression test replays stored inputs through
// the same functions.
namespace kestrum::fuzz {

// For a fuzzer's start: home, configuration and documents folders of its
// own, headless, a known locale, and the application object (with widgets
// for the start-up target).
void startFuzzing(bool widgets);

// Line parameters "baud,parity,databits,stopbits" given to the port object.
int fuzzLineParameters(const uint8_t *data, size_t size);
// Locale numbers and the rounding conversions to 16- and 32-bit integers.
int fuzzNumbers(const uint8_t *data, size_t size);
// The settings file read through the store and the readers built on it.
int fuzzSettings(const uint8_t *data, size_t size);
// The whole start-up of the program on a settings file.
int fuzzStartup(const uint8_t *data, size_t size);
// A document file read as lines, and written back.
int fuzzDocuments(const uint8_t *data, size_t size);
// The received document's store against a plain string.
int fuzzStore(const uint8_t *data, size_t size);
// Find and Count against the expression engine line by line, and QString.
int fuzzSearch(const uint8_t *data, size_t size);
// The send box read as hex pairs, and with escapes.
int fuzzSendHex(const uint8_t *data, size_t size);
int fuzzSendEscapes(const uint8_t *data, size_t size);

} // namespace kestrum::fuzz
