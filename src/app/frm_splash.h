#pragma once

#include <QWidget>

class Program;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;

// The splash window, also the About window: the program's name on grey,
// closing itself after three seconds or on "OK" and showing the main
// window.
class frmSplash final : public QWidget
{
    Q_OBJECT

public:
    explicit frmSplash(Program& program);

    QFrame* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Command1 = nullptr;
    QTimer* Timer1 = nullptr;

    void Form_Load();
    void Timer1_Timer();
    void Command1_Click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Program& m_program;
};
