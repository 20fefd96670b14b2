#include "qt/entry/caption_room.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>

namespace ondrel {

namespace {

// What the style keeps around a button's text, measured on a wide button.
int buttonPadding(QPushButton& button) {
    QStyleOptionButton opt;
    opt.initFrom(&button);
    opt.rect = QRect(0, 0, 1000, 40);
    return 1000 - button.style()->subElementRect(QStyle::SE_PushButtonContents, &opt, &button).width();
}

// What the style and the line edit keep around the text of a text box.
int lineEditPadding(QLineEdit& edit) {
    QStyleOptionFrame opt;
    opt.initFrom(&edit);
    opt.rect = QRect(0, 0, 1000, 40);
    opt.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, &edit);
    constexpr int kLineEditMargins = 2 * 2;   // the line edit's own margin on each side
    return 1000 - edit.style()->subElementRect(QStyle::SE_LineEditContents, &opt, &edit).width() + kLineEditMargins;
}

}  // namespace

bool growsAlone(const Zone& zone) {
    return zone.kind() == ZoneKind::OptionButton || zone.kind() == ZoneKind::CheckBox || zone.kind() == ZoneKind::Label;
}

QSize captionRoom(const Zone& zone, QWidget& widget) {
    const QFontMetrics fm(widget.font());
    const QString caption = QString::fromStdString(zone.caption());
    switch (zone.kind()) {
    case ZoneKind::Label:
    case ZoneKind::OptionButton:
    case ZoneKind::CheckBox:
        return QSize(widget.sizeHint().width(), 0);
    case ZoneKind::CommandButton:
        return QSize(fm.horizontalAdvance(caption) + buttonPadding(static_cast<QPushButton&>(widget)),
                     fm.height());
    case ZoneKind::Frame:
        return QSize(caption.isEmpty() ? 0 : fm.horizontalAdvance(caption) + 2 * fm.height(), 0);
    case ZoneKind::TextBox:
        return QSize(zone.displayOnly()
                         ? fm.horizontalAdvance("00/00/0000") + lineEditPadding(static_cast<QLineEdit&>(widget))
                         : 0,
                     widget.minimumSizeHint().height());
    case ZoneKind::ListBox:
        return QSize();   // a list shows as many lines as its zone holds, and scrolls
    default:
        return QSize(0, widget.minimumSizeHint().height());
    }
}

}  // namespace ondrel
