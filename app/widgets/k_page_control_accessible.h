#pragma once
// What assistive tools see of a page control's tab strip: a page tab list whose children are the
// shown tabs, each standing for its page, with the actions to select and focus it.
class QAccessibleInterface;
class QObject;
class QString;

// The accessibility factory for the strip (class name "KTabRows"); null for any other object.
QAccessibleInterface* pageTabsAccessibleFactory(const QString& className, QObject* object);
