#include "ui/link_accessible.h"

// The native static control reads as text to a screen reader, and its keyboard order is
// the design's: the button is the only tab stop.
void DescribeLinkForAssistiveTechnology(CLinkStatic*) {}
