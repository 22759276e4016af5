#include "filechooser.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QRegularExpression>

namespace tvx::ui {

namespace {
FileChooser::Answerer& answerer()
{
    static FileChooser::Answerer instance;
    return instance;
}

// The folder a file dialog opens in: where the user last chose a file, else the home folder.
QString& lastFolder()
{
    static QString folder = QDir::homePath();
    return folder;
}

// The suffix of a filter's first pattern ("html" for "网页书签文件 (*.html *.htm)"); none for "*".
QString suffixOf(const QString& filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([^\\s;)]+)"));
    return pattern.match(filter).captured(1);
}
} // namespace

void FileChooser::setAnswerer(Answerer a)
{
    answerer() = std::move(a);
}

FileChooser::Choice FileChooser::open(QWidget* parent, const QString& caption, const QStringList& filters)
{
    return ask(parent, {Mode::Open, caption, filters, {}});
}

FileChooser::Choice FileChooser::save(QWidget* parent, const QString& caption, const QStringList& filters,
                                      const QString& suggestedName)
{
    return ask(parent, {Mode::Save, caption, filters, suggestedName});
}

FileChooser::Choice FileChooser::ask(QWidget* parent, const Request& request)
{
    if (answerer())
        return answerer()(request);
    // Qt's own dialog rather than the desktop's, so that it speaks the program's language.
    QFileDialog dialog(parent, request.caption, lastFolder());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(request.filters);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("查找范围："));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("文件名(&N)："));
    // Qt's file-type label has no buddy of its own, and without one it shows its access key as a
    // literal "&T": the label gets the type box as its buddy, or does without the access key.
    auto* typeLabel = dialog.findChild<QLabel*>(QStringLiteral("fileTypeLabel"));
    auto* typeBox = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (typeLabel && typeBox) {
        dialog.setLabelText(QFileDialog::FileType, QStringLiteral("文件类型(&T)："));
        if (!typeLabel->buddy())
            typeLabel->setBuddy(typeBox);
    } else {
        dialog.setLabelText(QFileDialog::FileType, QStringLiteral("文件类型："));
    }
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
    if (request.mode == Mode::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setLabelText(QFileDialog::Accept, QStringLiteral("打开(&O)"));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setLabelText(QFileDialog::Accept, QStringLiteral("保存(&S)"));
        dialog.selectFile(request.suggestedName);
        // A name typed without a suffix gets the chosen type's before the dialog looks for a file of
        // that name, so that replacing an existing file is asked about as for a name typed in full.
        dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString path = dialog.selectedFiles().first();
    lastFolder() = QFileInfo(path).absolutePath();
    return {path, dialog.selectedNameFilter()};
}

} // namespace tvx::ui
