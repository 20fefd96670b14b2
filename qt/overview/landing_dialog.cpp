#include "qt/overview/landing_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace ondrel {

LandingDialog::LandingDialog(const std::vector<Period>& periods, const std::vector<std::string>& profiles, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Atterrissage");
    months_ = new QComboBox(this);
    for (const auto& p : periods)
        months_->addItem(QString::fromStdString(p.label), QString("%1-%2").arg(p.year, 4, 10, QChar('0')).arg(p.month, 2, 10, QChar('0')));
    rest_ = new QComboBox(this);
    rest_->addItem("le budget, tel qu'il est", "budget");
    rest_->addItem("le reste du budget, réparti également", "even");
    for (const auto& profile : profiles)
        rest_->addItem(QString("le reste du budget, selon le profil « %1 »").arg(QString::fromStdString(profile)),
                       QString::fromStdString(profile));
    negative_ = new QCheckBox("Garder un reste négatif (budget déjà dépassé) au lieu de zéro", this);
    name_ = new QLineEdit(this);
    name_->setMaxLength(static_cast<int>(kVersionNameLength));
    auto* form = new QFormLayout(this);
    form->addRow("Réalisé jusqu'à la fin de", months_);
    form->addRow("Puis, pour les mois suivants", rest_);
    form->addRow(QString(), negative_);
    form->addRow("Nom de l'atterrissage", name_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("Enregistrer");
    buttons->button(QDialogButtonBox::Cancel)->setText("Annuler");
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(name_, &QLineEdit::textEdited, this, [this] { nameTyped_ = true; });
    const auto nameAfterMonth = [this] {
        if (!nameTyped_)
            name_->setText("Atterrissage fin " + months_->currentText());
        negative_->setEnabled(rest_->currentIndex() > 0);
    };
    connect(months_, &QComboBox::currentIndexChanged, this, nameAfterMonth);
    connect(rest_, &QComboBox::currentIndexChanged, this, nameAfterMonth);
    months_->setCurrentIndex(std::max(0, static_cast<int>(periods.size()) / 2 - 1));
    nameAfterMonth();
}

std::string LandingDialog::through() const {
    return months_->currentData().toString().toStdString();
}

Remainder LandingDialog::remainder() const {
    const QString kind = rest_->currentData().toString();
    if (kind == "budget")
        return {};
    if (kind == "even")
        return {Remainder::Kind::Even, {}, negative_->isChecked()};
    return {Remainder::Kind::Profile, kind.toStdString(), negative_->isChecked()};
}

QString LandingDialog::name() const {
    return name_->text();
}

}  // namespace ondrel
