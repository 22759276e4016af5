#pragma once

#include "siteform.h"

#include <QHash>
#include <QString>

// The point-and-click field picker's rule: which column of a form row an element picked on a page
// goes into, so that a run finds that very element by the engine's lookup rules.
namespace tvx::sites {

// What the page reports about the element the user clicked.
struct PickedElement {
    QString tag; // lower case: "input", "button", "textarea"...
    QString type;
    QString id;
    QString name;
    QString value;           // an input's value; a <button>'s caption (its text, white space made one blank)
    bool inFrame = false;    // in a frame
    bool otherOrigin = false; // in a frame of another origin than the top document's: the run never looks there
    bool inBody = true;      // in the top document's body, where the button scans look
    bool firstWithId = true; // the run's lookup by id finds this element
    int nameIndex = 0;       // its place among the elements of its name (the run takes the first; -1: the top
                             // document's element of that name is found instead)
    int nameCount = 1;
    int sameTextBefore = 0;  // buttons of its kind before it whose text, blanks trimmed, is the same (login scan)
    int sameTextAnyCase = 1; // buttons of its kind whose text is the same in any case, itself included (submit scan)
    int inputsWithText = 0;  // a <button>: inputs with its caption, which the scans press instead

    // "input type=text id=f_uid name=uid", for messages.
    QString describe() const;
};

struct PickOutcome {
    bool taken = false;
    // The row's columns with their new values (the row's other columns are emptied, so that the
    // column written is the one the run uses).
    QHash<QString, QString> values;
    QString message; // says what was taken and from what, or why nothing was
};

PickOutcome pickInto(const FormRow& row, const PickedElement& element);

} // namespace tvx::sites
