#pragma once

#include <memory>

#include <QDialog>

#include "group/group.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QTableWidget;

namespace ondrel {

// A group made or changed: its name, its reference entity and the others, the flows
// between its members, its thresholds. OK saves it with the person's rights, and on a
// refusal the dialog stays open with what was typed, the reason in a box.
class GroupDialog : public QDialog {
    Q_OBJECT
public:
    // For a new group, none.
    GroupDialog(std::shared_ptr<Database> db, std::shared_ptr<UserRights> rights, const std::optional<Group>& group,
                QWidget* parent = nullptr);
    // The name the group was saved under.
    QString savedName() const { return saved_; }

    void accept() override;

private:
    void listEntities(const std::optional<Group>& group);
    void addFlow(const Flow& flow);
    Group typed() const;

    std::shared_ptr<Database> db_;
    std::shared_ptr<UserRights> rights_;
    QLineEdit* name_;
    QComboBox* reference_;
    QListWidget* others_;
    QTableWidget* flows_;
    QLineEdit* warning_;
    QLineEdit* over_;
    QString saved_;
};

}  // namespace ondrel
