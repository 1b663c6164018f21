import QtQuick.Controls.Material as M

M.ProgressBar {
}
