#pragma once

#include <functional>

class QPrinter;
class QWidget;

// The system print dialog of the program. Tests queue answers with setNextAnswer(): a queued
// answer is called with the printer instead of showing the dialog, may set it up (for
// example print into a file), and returns whether the user pressed Print.
class PrintDialog
{
  public:
    using Answer = std::function<bool(QPrinter*)>;

    // True when the user chose a printer and pressed Print.
    static bool exec(QPrinter* printer, QWidget* parent);

    // Test hook.
    static void setNextAnswer(Answer answer);
};
