#pragma once

#include <string>
#include <vector>

#include <QDialog>

#include "periods/calendar_walk.h"
#include "versions/landing.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace ondrel {

// What a landing takes: the last month of actuals, what follows it, and its name,
// which follows the month until the person types one.
class LandingDialog : public QDialog {
    Q_OBJECT
public:
    LandingDialog(const std::vector<Period>& periods, const std::vector<std::string>& profiles, QWidget* parent = nullptr);

    std::string through() const;   // "2027-06"
    Remainder remainder() const;
    QString name() const;

    QComboBox* months() const { return months_; }
    QComboBox* rest() const { return rest_; }
    QLineEdit* nameField() const { return name_; }

private:
    QComboBox* months_;
    QComboBox* rest_;
    QCheckBox* negative_;
    QLineEdit* name_;
    bool nameTyped_ = false;
};

}  // namespace ondrel
