#pragma once

#include <QString>

class QLabel;

namespace tvx::platform {

// Texts that come from pages and files (titles, ids, values, summaries) are shown as the characters
// they are. Qt takes a label's or a tool tip's text for HTML when its first line looks like a tag, and
// would then draw an `<img src="file:///...">` from a page as a picture of a local file.

// Makes the label show its text as typed, never as markup.
void showPlainText(QLabel* label);

// The tool tip that shows `text` as it stands: unchanged when Qt would not read it as markup, else
// escaped inside a paragraph that keeps its line breaks and blanks.
QString plainToolTip(const QString& text);

} // namespace tvx::platform
