#include "widgets/FileDialog.h"

#include <optional>

namespace {

struct Preset {
    std::optional<QStringList> files;
    QString nameFilter;
};

Preset &preset() {
    static Preset value;
    return value;
}

} // namespace

QStringList FileDialog::selectFiles(QWidget *parent, QFileDialog::FileMode mode,
                                    const QString &nameFilter) {
    Preset &p = preset();
    if (p.files) {
        const QStringList files = *p.files;
        p.files.reset();
        p.nameFilter = nameFilter;
        return files;
    }
    QFileDialog dialog(parent, QString(), QString(), QString());
    dialog.setFileMode(mode);
    dialog.setNameFilter(nameFilter);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void FileDialog::setNextResult(const QStringList &files) {
    preset().files = files;
}

bool FileDialog::hasPresetResult() {
    return preset().files.has_value();
}

void FileDialog::clearPresetResult() {
    preset() = Preset();
}

QString FileDialog::lastNameFilter() {
    return preset().nameFilter;
}
