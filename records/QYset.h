#pragma once
// The residential areas in one editable grid. An empty table gets the three
// usual areas when the window opens; rows without a name go when it closes.

#include <QWidget>

class QLabel;

namespace platform::db { class DataControl; class DataGrid; }

class QYset : public QWidget {
    Q_OBJECT
public:
    explicit QYset(QWidget* parent = nullptr);
    ~QYset() override;

    void Form_Load();
    // Stores the grid's edit and drops nameless rows; false (the window stays
    // open, the edit kept) when the file is busy.
    bool Form_Unload();

    platform::db::DataControl* Adodc1 = nullptr;
    platform::db::DataGrid* DataGrid1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool unloaded_ = false;
};
