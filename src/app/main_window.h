// The main window Form1 and the start-up notice Form2: widgets bound to the core's FormState.
#pragma once

#include <map>

#include <QMainWindow>

class QLabel;
class QLineEdit;
class QCheckBox;
class QComboBox;
class QTabWidget;
class QListWidget;
class QTableView;
class QDialog;

namespace kazeyomi {

class FormActions;
class FormState;
enum class Grid;
class GridModel;

inline const QString kWindowTitle = QStringLiteral("Kazeyomi for 地方競馬V4.17 2025_10");

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(FormState& form, FormActions& actions, QWidget* parent = nullptr);
    ~MainWindow() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildTop();
    QWidget* buildTabs();
    QWidget* buildBottom();
    QTableView* gridView(Grid grid);
    QLineEdit* textBox(const QString& name, int width = 60);
    QWidget* button(const QString& name, const QString& caption);
    void showText(const QString& control, const QString& value);
    void showVenueBoxes();
    void showMeetings();
    void showLamp(bool red);
    void showNotice();
    void showHighlight(GridModel* grid, QTableView* view);

    FormState& m_form;
    FormActions& m_actions;
    std::map<QString, QLineEdit*> m_textBoxes;
    QCheckBox* m_venueBoxes[6] = {};
    QComboBox* m_meetings = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_lamp = nullptr;
    QTabWidget* m_tabs = nullptr;
    QListWidget* m_log = nullptr;
    QDialog* m_notice = nullptr;
    QLabel* m_noticeLabel = nullptr;
    bool m_closing = false;
};

} // namespace kazeyomi
