#include "namelistfile.h"

#include "base/prompter.h"
#include "base/textfile.h"
#include "engine/domainsyntax.h"
#include "sources/fileimport.h"
#include "sources/namelistmodel.h"

#include <QSaveFile>

bool saveNameList(const QString &path, const NameListModel &list, QString *error)
{
    QSaveFile file(path);
    auto failed = [&] {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return failed();
    QByteArray block;
    block.reserve(1 << 16);
    for (int row = 0; row < list.size(); ++row) {
        block += encode8bit(list.at(row));
        block += kLineEnd;
        if (block.size() >= (1 << 16)) {
            if (file.write(block) != block.size())
                return failed();
            block.resize(0);
        }
    }
    if (file.write(block) != block.size())
        return failed();
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void saveNameListAs(const NameListModel &list, Prompter &prompter)
{
    if (list.isEmpty())
        return;
    const QString path = prompter.chooseSaveFile(kSaveNameListTitle, kNameListFilter);
    if (path.isEmpty())
        return;
    QString error;
    if (!saveNameList(path, list, &error))
        prompter.fail(kProgramTitle, kNameListNotSavedText.arg(path, error));
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
