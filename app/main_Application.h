#pragma once

#include <QObject>
#include <QQmlApplicationEngine>
#include <QUrl>

class LogParser;
class OstFactory;
class QApplication;

// The application object: owns the QML engine and the managers that the screens
// bind to, and loads the main window.
class main_Application : public QObject
{
    Q_OBJECT

public:
    static const QUrl &mainWindowUrl();

    main_Application(QObject *parent, QApplication *application);
    ~main_Application() override;

    QQmlApplicationEngine &engine() { return m_engine; }
    OstFactory *ostFactory() const { return m_ostFactory; }

    // Loads a QML window; false (with a critical log line) when nothing was created.
    bool load(const QUrl &url);
    bool isLoaded() const { return m_loaded; }

private:
    void createManagers();
    void registerQmlTypes();
    void setContextProperties();

    QApplication *m_application = nullptr;
    QQmlApplicationEngine m_engine;
    OstFactory *m_ostFactory = nullptr;
    LogParser *m_logParser = nullptr;
    bool m_loaded = false;
};
