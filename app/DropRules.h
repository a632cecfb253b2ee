#pragma once

#include <string>

// What a drop names, free of widgets: the dropped text is a text/uri-list (one URI a line,
// lines ended by CRLF or LF, "#" starting a comment) or plain absolute paths. Pure; any thread.

struct DroppedPath {
    std::string path;    // the local path the first entry names, decoded; empty when none
    std::string refusal; // when the first entry is refused: the trace line saying why
};

// The first entry of `text`. A file URI counts when its host is empty, "localhost" or
// `localHost` (letter case ignored): "file:///p", "file://localhost/p", "file:/p". Its
// percent escapes are decoded; one that is malformed, or stands for NUL or "/", refuses it, as
// does another host, another scheme or a relative path. Paths of PATH_MAX bytes or more too.
DroppedPath parseDroppedList(const std::string& text, const std::string& localHost);
