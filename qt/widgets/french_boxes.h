#pragma once

#include <optional>

#include <QMessageBox>
#include <QStringList>
#include <QString>

namespace ondrel {

// The modal boxes of the desktop screen: French buttons, and wide enough for their
// title to read whole, whatever the fonts. An arrow cursor shows over them even while
// the program is busy behind them.
void tellInBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text);
// Oui or Non; yesIsDefault decides which one Enter presses.
bool askInBox(QWidget* parent, const QString& title, const QString& text, bool yesIsDefault);
// Work not saved, on closing: Enregistrer (Enter), Ne pas enregistrer, or Annuler (Esc),
// which keeps the window.
enum class Unsaved { Save, Discard, Keep };
Unsaved askAboutUnsaved(QWidget* parent, const QString& title, const QString& text);
// A name typed, or picked among choices and typed over; none when the person cancels.
// The box is wide enough for its title to read whole.
std::optional<QString> askName(QWidget* parent, const QString& title, const QString& label, const QString& value,
                               const QStringList& choices = {});

}  // namespace ondrel
