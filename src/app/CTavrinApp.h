#pragma once
// The application object: settings, the main window and the command line.

#include <QStringList>

#include <memory>

class CMainFrame;
class CTranslations;

// Settings (recent files, printer, language) live under this organisation and
// application name.
inline constexpr const char* kSettingsOrganization = "Local AppWizard-Generated Applications";
inline constexpr const char* kSettingsApplication = "Tavrin";

class CTavrinApp {
public:
    CTavrinApp();
    ~CTavrinApp();

    // Creates and shows the main window and opens the charts named on the
    // command line (`arguments` without the program name), or a new chart
    // when none is named. Returns the exit status for a usage error (the
    // program should end), or -1 when the program goes on.
    int InitInstance(const QStringList& arguments);
    CMainFrame* MainFrame() const { return m_mainFrame.get(); }

private:
    void ScheduleScreenshot(const QString& path);

    std::unique_ptr<CTranslations> m_translations;
    std::unique_ptr<CMainFrame> m_mainFrame;
};
