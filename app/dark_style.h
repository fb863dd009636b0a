#pragma once
class QApplication;
class QString;

// The dark visual style "Charcoal Dark Slate": the Fusion style, a dark palette and the
// style sheet carried among the program's resources.
void applyDarkStyle(QApplication& app);
// The style sheet's text, as carried in the resources.
QString darkStyleSheet();
