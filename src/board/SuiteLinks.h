#pragma once

namespace qv {

class MainForm;

// The buttons that reach other modules of the suite: the reports
// (15-Pemrick), the management screen (05-Olvant) and the take-away cash
// desk (F12).
class SuiteLinks
{
public:
    explicit SuiteLinks(MainForm &form);
    ~SuiteLinks();

    // 'M' closed tables, 'C' commissions, 'P' menu mix.
    void report(char kind);
    void management();
    void takeAway();

private:
    MainForm &m_form;
};

} // namespace qv
