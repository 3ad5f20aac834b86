#pragma once
// The one door through which every message box, modal form and common
// dialog is run. In the programs the default driver runs the real Qt dialog
// or nested loop; a test installs its own driver, which is called
// synchronously and answers at once: no timers, no sleeps.

#include <string>

class TForm;
class TOpenDialog;
class TFontDialog;
class TDirectoryChooser;

class ModalDriver {
 public:
  virtual ~ModalDriver() = default;
  // Shows a message box (MB_* style); returns the ID* of the button pressed.
  virtual int MessageBox(const std::string& text, const std::string& caption, int flags) = 0;
  // The form is shown and marked modal; returns when its ModalResult is set
  // or the driver gives up on it (the form then closes with mrCancel).
  virtual void RunModal(TForm& form) = 0;
  // Each returns true for OK, having filled the dialog's result fields.
  virtual bool ExecuteOpenDialog(TOpenDialog& dialog) = 0;
  virtual bool ExecuteFontDialog(TFontDialog& dialog) = 0;
  virtual bool ExecuteDirectoryChooser(TDirectoryChooser& chooser) = 0;
};

// The driver in charge now: the innermost installed one, else the real one.
ModalDriver& CurrentModalDriver();
// The one that runs the real Qt dialogs and nested loops.
ModalDriver& RealModalDriver();

// Installs a driver for its lifetime, restoring the one before it.
class ScopedModalDriver {
 public:
  explicit ScopedModalDriver(ModalDriver& driver);
  ~ScopedModalDriver();
  ScopedModalDriver(const ScopedModalDriver&) = delete;
  ScopedModalDriver& operator=(const ScopedModalDriver&) = delete;

 private:
  ModalDriver* m_previous;
};
