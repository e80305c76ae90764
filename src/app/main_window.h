// The main window Form1 and the start-up notice Form2: widgets bound to the core's FormState,
// laid out so that the day can be followed at a glance on a small screen.
#pragma once

#include <map>

#include <QMainWindow>

class QLabel;
class QLineEdit;
class QCheckBox;
class QComboBox;
class QTabWidget;
class QListWidget;
class QSplitter;
class QTableView;
class QDialog;

namespace kazeyomi {

class FormActions;
class FormState;
enum class Grid;
class GridModel;
class OddsChart;
class OddsDelegate;
class RaceWatch;
struct LogEntry;

inline const QString kWindowTitle = QStringLiteral("Kazeyomi for 地方競馬V4.17 2025_10");

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Without a watch the window shows the controls only: no row colours, no status figures.
    MainWindow(FormState& form, FormActions& actions, RaceWatch* watch = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The size the window opens at on a screen with this much room: all of it up to 1600×1000.
    static QSize openingSize(const QSize& available);
    // "大井 11R 15:40 — odds 15:21", the race whose odds the grids hold.
    QString oddsTitle() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildTop();
    QWidget* buildSchedule();
    QWidget* buildTabs();
    QWidget* buildLog();
    QWidget* buildCard();
    QWidget* buildTests();
    void buildStatusBar();
    QTableView* gridView(Grid grid);
    QLineEdit* textBox(const QString& name, int width = 60);
    QWidget* button(const QString& name, const QString& caption);
    void showText(const QString& control, const QString& value);
    void showVenueBoxes();
    void showMeetings();
    void showLamp(bool red);
    void showNotice();
    void showHighlight(GridModel* grid, QTableView* view);
    void showLogEntry(const LogEntry& entry);
    void showTab(int index);
    void showRaceShown();
    // Reads the race shown back from the day's history database into the chart.
    void showChart();
    // The schedule's post time "hh:mm" of the race shown; empty when it has no row.
    QString postTimeShown() const;
    void showStatus();
    // Widens the columns of a grid to its texts once the routine writing it is done.
    void fitColumnsLater(QTableView* view);

    FormState& m_form;
    FormActions& m_actions;
    RaceWatch* m_watch;
    std::map<QString, QLineEdit*> m_textBoxes;
    QCheckBox* m_venueBoxes[6] = {};
    QComboBox* m_meetings = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_lamp = nullptr;
    QTabWidget* m_tabs = nullptr;
    QCheckBox* m_follow = nullptr;
    QLabel* m_oddsTitle = nullptr;
    OddsChart* m_chart = nullptr;
    QString m_chartRace; // "venue race" drawn in the chart
    QListWidget* m_log = nullptr;
    QTableView* m_schedule = nullptr;
    OddsDelegate* m_winPlace = nullptr;
    QSplitter* m_mainSplit = nullptr;
    QSplitter* m_upperSplit = nullptr;
    bool m_scheduleSized = false;
    std::map<QString, QLabel*> m_status; // the status bar's figures by name
    QDialog* m_notice = nullptr;
    QLabel* m_noticeLabel = nullptr;
    bool m_closing = false;
};

} // namespace kazeyomi
