#pragma once

#include <QDate>
#include <QString>

#include <array>

class CheckEngine;

// The dispatcher of one connection slot: hands the slot its next name, or
// reconnects it for a retry. Each slot has its own, so a slot's dispatch state
// never leaks into another's.
class connector
{
public:
    explicit connector(CheckEngine &engine);

    // Gives `slot` the next name of the run and connects it to the first server of
    // the name's TLD; names that fail the syntax check or have no server are
    // written at once. With no names left the slot is finished, and the last
    // slot to finish completes the run.
    void nextdomain(qint16 &slot);
    // Connects the slot's current name again, to the next server of its TLD.
    void retryconnection(qint16 &slot);

    QString getext(const QString &name) const;
    void parsedom(std::array<QString, 3> &parts) const;
    QString converter(const QString &text) const;

private:
    CheckEngine &m_engine;
};
