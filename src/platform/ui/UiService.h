#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

class QWidget;

namespace qv {

// Message-box styles of the forms runtime (Windows MessageBox flags).
namespace style {
inline constexpr int kOk = 0;
inline constexpr int kStop = 16; // error icon, OK
inline constexpr int kQuestion = 32;
inline constexpr int kYesNo = 4;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64; // refused input and warnings
inline constexpr int kDefaultButton2 = 256;
inline constexpr int kAsk = kQuestion | kYesNo; // 36
} // namespace style

// Answers of a message box.
namespace answer {
inline constexpr int kOk = 1;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
} // namespace answer

// Modal forms and sibling modules, opened by name. A form is a function that
// runs modally (usually by exec() of a dialog) and returns its result code;
// data goes in and out through the shared records.
class FormRegistry
{
public:
    using Opener = std::function<int(QWidget *parent)>;

    static FormRegistry &instance();
    void add(const QString &name, Opener opener);
    void remove(const QString &name);
    bool contains(const QString &name) const;
    // Runs the form; -1 when no form of that name is registered.
    int open(const QString &name, QWidget *parent) const;

private:
    std::map<QString, Opener> m_openers;
};

// The one way the program talks to the person and to the desktop: message
// boxes, modal forms by name, and external programs. Tests install a
// scripted double (ScriptedUi) to read what was said and answer questions.
class UiService
{
public:
    virtual ~UiService() = default;

    // Shows a modal message box; returns answer::kYes / kNo / kOk. Every
    // box is written to the support log with its kind (and a question with
    // its answer) before and after it shows.
    int message(QWidget *parent, const QString &text, int style);
    // The same for a text of this program's own that must be read whole,
    // such as instructions to a technician: message() cuts at 120
    // characters, as the suite's message boxes did.
    int longMessage(QWidget *parent, const QString &text, int style);
    // Opens a form by name, modally; `module` names the library it lives in
    // for sibling modules (informative here: every form is in the registry).
    virtual int openForm(const QString &name, QWidget *parent, const QString &module = QString());
    // Starts an external program, or brings it forward when it already runs.
    virtual bool startProgram(const QString &program, const QStringList &arguments) = 0;
    // Writes a diagnostic line to the console output (and the log).
    void console(const QString &line);

    static UiService &instance();
    // Installs a replacement (takes ownership); nullptr restores the real one.
    static void install(std::unique_ptr<UiService> ui);

    // A modal form or box waits on the person in front of it: opened while
    // a unit of work is open, it would keep the unit's row locks for as
    // long, holding back every other desk and terminal. Every build checks
    // it at run time and writes it to the support log as an error; the
    // handler is told as well (the test programs fail the running test).
    // Returns the handler it replaces.
    using ModalInUnitHandler = std::function<void(const QString &what)>;
    static ModalInUnitHandler setModalInUnitHandler(ModalInUnitHandler handler);

protected:
    // What the service does for each, once the log has it.
    virtual int showMessage(QWidget *parent, const QString &text, int style) = 0;
    virtual int showLongMessage(QWidget *parent, const QString &text, int style);
    virtual void writeConsole(const QString &line);
};

// The real service: QMessageBox and QProcess.
class WidgetUi : public UiService
{
public:
    bool startProgram(const QString &program, const QStringList &arguments) override;

protected:
    int showMessage(QWidget *parent, const QString &text, int style) override;
    int showLongMessage(QWidget *parent, const QString &text, int style) override;
};

} // namespace qv
