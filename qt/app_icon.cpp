#include "qt/app_icon.h"

#include <QFile>

#include "platform/install_paths.h"

namespace ondrel {

QIcon appIcon() {
    QIcon shipped;
    const QString theme = QString::fromStdString(shippedFolder("icons/hicolor"));
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString file = QString("%1/%2x%2/apps/ondrel.png").arg(theme).arg(size);
        if (QFile::exists(file))
            shipped.addFile(file, QSize(size, size));
    }
    return QIcon::fromTheme("ondrel", shipped);
}

}  // namespace ondrel
