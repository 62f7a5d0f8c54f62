#pragma once

#include <QString>

namespace qv {

class DeskContext;

// The buttons that reach other modules of the suite: the reports
// (15-Pemrick), the management screen (05-Olvant) and the take-away cash
// desk (F12).
class SuiteLinks
{
public:
    explicit SuiteLinks(DeskContext &form);
    ~SuiteLinks();

    // 'M' closed tables, 'C' commissions, 'P' menu mix.
    void report(char kind);
    void management();
    void takeAway();

    // Whether `program` (a path or a name found on PATH) already runs for
    // this user, as its executable or as the script an interpreter runs.
    static bool programRunning(const QString &program);

private:
    DeskContext &m_form;
};

} // namespace qv
