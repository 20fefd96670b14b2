#include "qt/widgets/french_boxes.h"

#include <QApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QPushButton>
#include <QSpacerItem>

namespace ondrel {

namespace {

// A message box sizes itself on its text alone: a short text under a longer title
// would cut the title. Room for the title, the window buttons beside it included.
void roomForTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 6 * box.fontMetrics().height();
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

int run(QMessageBox& box) {
    roomForTitle(box);
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    QApplication::restoreOverrideCursor();
    return answer;
}

}  // namespace

void tellInBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText("OK");
    run(box);
}

bool askInBox(QWidget* parent, const QString& title, const QString& text, bool yesIsDefault) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText("Oui");
    box.button(QMessageBox::No)->setText("Non");
    box.setDefaultButton(yesIsDefault ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return run(box) == QMessageBox::Yes;
}

Unsaved askAboutUnsaved(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.button(QMessageBox::Save)->setText("Enregistrer");
    box.button(QMessageBox::Discard)->setText("Ne pas enregistrer");
    box.button(QMessageBox::Cancel)->setText("Annuler");
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    const int answer = run(box);
    return answer == QMessageBox::Save ? Unsaved::Save : answer == QMessageBox::Discard ? Unsaved::Discard : Unsaved::Keep;
}

std::optional<QString> askName(QWidget* parent, const QString& title, const QString& label, const QString& value,
                               const QStringList& choices) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    if (!choices.isEmpty()) {
        dialog.setComboBoxItems(choices);
        dialog.setComboBoxEditable(true);
    }
    dialog.setTextValue(value);
    dialog.setOkButtonText("OK");
    dialog.setCancelButtonText("Annuler");
    dialog.setMinimumWidth(dialog.fontMetrics().horizontalAdvance(title) + 6 * dialog.fontMetrics().height());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

}  // namespace ondrel
