// The link labels as assistive technology sees them.
#pragma once

class CLinkStatic;

// Tells screen readers that `link` is a link, with its text as its name and, on GTK, a
// "click" action that does what a mouse click does. Called again when the text changes.
void DescribeLinkForAssistiveTechnology(CLinkStatic* link);
