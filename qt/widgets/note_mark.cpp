#include "qt/widgets/note_mark.h"

#include <QPainter>
#include <QPixmap>

namespace ondrel {

QIcon noteMark() {
    static const QIcon mark = [] {
        QPixmap corner(16, 16);
        corner.fill(Qt::transparent);
        QPainter painter(&corner);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(214, 120, 0));
        painter.drawPolygon(QPolygon({QPoint(4, 0), QPoint(16, 0), QPoint(16, 12)}));
        return QIcon(corner);
    }();
    return mark;
}

QString noteTip(const QString& note) {
    return "Note : " + note.toHtmlEscaped().replace("\n", "<br>");
}

}  // namespace ondrel
