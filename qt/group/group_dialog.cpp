#include "qt/group/group_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "qt/widgets/french_boxes.h"
#include "sheets/percentage.h"

namespace ondrel {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

QString percentField(std::int64_t hundredths) {
    return q(formatAmount(Currency::fromHundredths(hundredths)));
}

}  // namespace

GroupDialog::GroupDialog(std::shared_ptr<Database> db, std::shared_ptr<UserRights> rights,
                         const std::optional<Group>& group, QWidget* parent)
    : QDialog(parent), db_(std::move(db)), rights_(std::move(rights)) {
    setWindowTitle(group ? "Modifier le groupe" : "Nouveau groupe");
    auto* form = new QFormLayout;
    name_ = new QLineEdit(this);
    name_->setMaxLength(static_cast<int>(kGroupNameLength));
    form->addRow("&Nom", name_);
    reference_ = new QComboBox(this);
    form->addRow("Entité de &référence", reference_);
    others_ = new QListWidget(this);
    form->addRow("&Autres entités", others_);
    flows_ = new QTableWidget(0, 3, this);
    flows_->setHorizontalHeaderLabels({"Flux", "Compte de charges", "Compte de produits"});
    flows_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column : {1, 2})
        flows_->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    flows_->verticalHeader()->hide();
    auto* flowButtons = new QHBoxLayout;
    auto* add = new QPushButton("Ajouter un &flux", this);
    auto* remove = new QPushButton("Retirer le flu&x", this);
    flowButtons->addWidget(add);
    flowButtons->addWidget(remove);
    flowButtons->addStretch(1);
    auto* flowBox = new QVBoxLayout;
    flowBox->addWidget(flows_);
    flowBox->addLayout(flowButtons);
    form->addRow("Flux entre entités\n(éliminés)", flowBox);
    warning_ = new QLineEdit(this);
    warning_->setPlaceholderText("90");
    over_ = new QLineEdit(this);
    over_->setPlaceholderText("100");
    auto* thresholds = new QHBoxLayout;
    const auto labelled = [&](const QString& caption, QLineEdit* field) {
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance("1000,00") + 16);
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        thresholds->addWidget(label);
        thresholds->addWidget(field);
    };
    labelled("&Vigilance à", warning_);
    labelled("% ; d&épassement à", over_);
    thresholds->addWidget(new QLabel("% du budget à date", this));
    form->addRow("Seuils", thresholds);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText("Annuler");
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, [this] {
        addFlow({});
        flows_->setCurrentCell(flows_->rowCount() - 1, 0);
        flows_->setFocus();
        flows_->editItem(flows_->currentItem());
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (flows_->currentRow() >= 0)
            flows_->removeRow(flows_->currentRow());
    });
    listEntities(group);
    if (group) {
        name_->setText(q(group->name));
        // The group's name is its key: it is changed by making another.
        name_->setReadOnly(true);
        for (const auto& flow : group->flows)
            addFlow(flow);
        if (group->thresholds) {
            warning_->setText(percentField(group->thresholds->warning));
            over_->setText(percentField(group->thresholds->over));
        }
    }
}

void GroupDialog::listEntities(const std::optional<Group>& group) {
    const bool all = group && group->name == kAllEntities;
    for (const auto& code : db_->keys("ASSOCIATION")) {
        const auto record = db_->read("ASSOCIATION", code);
        const QString text = q(code) + " " + q(record ? record->value(1, 1) : std::string());
        reference_->addItem(text, q(code));
        auto* item = new QListWidgetItem(text, others_);
        item->setData(Qt::UserRole, q(code));
        const bool member = group && std::find(group->entities.begin() + (group->entities.empty() ? 0 : 1),
                                                group->entities.end(), code) != group->entities.end();
        item->setCheckState(all || member ? Qt::Checked : Qt::Unchecked);
    }
    if (group && !group->entities.empty())
        reference_->setCurrentIndex(reference_->findData(q(group->entities.front())));
    reference_->setEnabled(!all);
    others_->setEnabled(!all);
}

void GroupDialog::addFlow(const Flow& flow) {
    const int row = flows_->rowCount();
    flows_->insertRow(row);
    flows_->setItem(row, 0, new QTableWidgetItem(q(flow.name)));
    flows_->setItem(row, 1, new QTableWidgetItem(q(flow.charge)));
    flows_->setItem(row, 2, new QTableWidgetItem(q(flow.produit)));
}

Group GroupDialog::typed() const {
    Group group{name_->text().toStdString(), {}};
    if (group.name != kAllEntities) {
        const std::string reference = reference_->currentData().toString().toStdString();
        group.entities.push_back(reference);
        for (int i = 0; i < others_->count(); ++i) {
            const std::string code = others_->item(i)->data(Qt::UserRole).toString().toStdString();
            if (others_->item(i)->checkState() == Qt::Checked && code != reference)
                group.entities.push_back(code);
        }
    }
    const auto cell = [&](int row, int column) {
        const QTableWidgetItem* item = flows_->item(row, column);
        return item ? item->text().trimmed().toStdString() : std::string();
    };
    for (int row = 0; row < flows_->rowCount(); ++row)
        group.flows.push_back({cell(row, 0), cell(row, 1), cell(row, 2)});
    if (!warning_->text().trimmed().isEmpty() || !over_->text().trimmed().isEmpty()) {
        const auto read = [](const QLineEdit* field, std::int64_t byDefault) -> std::int64_t {
            const QString text = field->text().trimmed();
            if (text.isEmpty())
                return byDefault;
            const auto hundredths = parsePercentage(text.toStdString());
            if (!hundredths || *hundredths < 0)
                throw std::runtime_error("« " + text.toStdString() + " » n'est pas un pourcentage de 0 à 1 000.");
            return *hundredths;
        };
        group.thresholds = Thresholds{read(warning_, Thresholds{}.warning), read(over_, Thresholds{}.over)};
    }
    return group;
}

void GroupDialog::accept() {
    try {
        const Group group = typed();
        saveGroup(*db_, *rights_, group);
        saved_ = q(group.name).trimmed();
    } catch (const std::exception& e) {
        tellInBox(this, QMessageBox::Warning, windowTitle(),
                  QString("Le groupe n'a pas été enregistré : %1").arg(q(e.what())));
        return;
    }
    QDialog::accept();
}

}  // namespace ondrel
