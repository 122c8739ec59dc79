#include "namelistfile.h"

#include "base/iowrite.h"
#include "base/prompter.h"
#include "base/textfile.h"
#include "engine/domainsyntax.h"
#include "sources/fileimport.h"
#include "sources/namelistmodel.h"

#include <QSaveFile>

std::optional<IoError> saveNameList(const QString &path, const NameListModel &list)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return ioError(file);
    QByteArray block;
    block.reserve(1 << 16);
    for (int row = 0; row < list.size(); ++row) {
        block += encode8bit(list.at(row));
        block += kLineEnd;
        if (block.size() >= (1 << 16) || row == list.size() - 1) {
            if (std::optional<IoError> error = writeAll(file, block)) {
                file.cancelWriting();
                return error;
            }
            block.resize(0);
        }
    }
    if (!file.commit())
        return ioError(file);
    return std::nullopt;
}

void saveNameListAs(const NameListModel &list, Prompter &prompter)
{
    if (list.isEmpty())
        return;
    const QString path = prompter.chooseSaveFile(kSaveNameListTitle, kNameListFilter);
    if (path.isEmpty())
        return;
    if (const std::optional<IoError> error = saveNameList(path, list))
        prompter.fail(kProgramTitle, kNameListNotSavedText.arg(path, error->description));
}

int loadNameList(LineReader &reader, NameListModel &list)
{
    const int before = list.size();
    QString line;
    list.beginAdding();
    while (reader.readLine(line)) {
        const QString name = loadedName(line);
        if (!name.isEmpty() && isValidDomain(name))
            list.add(name);
    }
    list.endAdding();
    return list.size() - before;
}

void loadNameListFrom(NameListModel &list, Prompter &prompter)
{
    const QString path = prompter.chooseOpenFile(kOpenNameListTitle, kNameListFilter);
    if (path.isEmpty())
        return;
    LineReader reader(path, LineReader::Ends::AnyLineEnd, LineReader::Decoding::Utf8Names);
    if (!reader.open()) {
        prompter.warn(kProgramTitle, kNameFileNotReadText.arg(path, reader.errorString()));
        return;
    }
    loadNameList(reader, list);
    if (reader.failed())
        prompter.warn(kProgramTitle, kNameFileNotReadText.arg(path, reader.errorString()));
}

bool clearNameList(NameListModel &list, Prompter &prompter)
{
    if (list.isEmpty() ||
        !prompter.askYesNo(kProgramTitle, kClearNameListQuestion, PromptIcon::Information, false))
        return false;
    list.clear();
    return true;
}
