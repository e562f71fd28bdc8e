<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>FileDialogs</name>
    <message>
        <source>Textfile (*.txt)</source>
        <translation>Textdatei (*.txt)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>quorlix::AboutWindow</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Quorlix Version %1</source>
        <translation>Quorlix Version %1</translation>
    </message>
    <message>
        <source>Based on an idea by the Quorlix team</source>
        <translation>Nach einer Idee des Quorlix-Teams</translation>
    </message>
    <message>
        <source>Written by the Quorlix team</source>
        <translation>Geschrieben vom Quorlix-Team</translation>
    </message>
    <message>
        <source>Please report all errors you find to</source>
        <translation>Bitte melden Sie alle gefundenen Fehler an</translation>
    </message>
    <message>
        <source>Include your logfile and a brief description</source>
        <translation>Legen Sie Ihr Logfile und eine kurze Beschreibung</translation>
    </message>
    <message>
        <source>of the error and how it happened.</source>
        <translation>des Fehlers und seiner Entstehung bei.</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
</context>
<context>
    <name>quorlix::ColorGrid</name>
    <message>
        <source>Channel Name</source>
        <translation>Kanalname</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
</context>
<context>
    <name>quorlix::MainWindow</name>
    <message>
        <source>Quorlix Version %1</source>
        <translation>Quorlix Version %1</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Load</source>
        <translation>&amp;Laden</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Umwandeln</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Optionen</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Ü&amp;ber</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Laden</translation>
    </message>
    <message>
        <source>Convert</source>
        <translation>Umwandeln</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Filter Persons</source>
        <translation>Personen filtern</translation>
    </message>
    <message>
        <source>Filter Channel</source>
        <translation>Kanäle filtern</translation>
    </message>
    <message>
        <source>Convert to:</source>
        <translation>Umwandeln in:</translation>
    </message>
    <message>
        <source>Show Channelname</source>
        <translation>Kanalnamen zeigen</translation>
    </message>
    <message>
        <source>Use Colors for Channels</source>
        <translation>Farben für Kanäle verwenden</translation>
    </message>
    <message>
        <source>Show Time</source>
        <translation>Zeit zeigen</translation>
    </message>
    <message>
        <source>Mark Removed Links</source>
        <translation>Entfernte Links markieren</translation>
    </message>
    <message>
        <source>Delete all Tags in Chatlines</source>
        <translation>Alle Tags in Chatzeilen löschen</translation>
    </message>
    <message>
        <source>Filter Time</source>
        <translation>Zeit filtern</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Eingabe</translation>
    </message>
    <message>
        <source>Ouput</source>
        <translation>Ausgabe</translation>
    </message>
</context>
<context>
    <name>quorlix::OptionsWindow</name>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Restore default</source>
        <translation>Vorgaben wiederherstellen</translation>
    </message>
    <message>
        <source>Y = Year; M = Month; D = Day; h = Hour; m = Minute; s = Second</source>
        <translation>Y = Jahr; M = Monat; D = Tag; h = Stunde; m = Minute; s = Sekunde</translation>
    </message>
    <message>
        <source>Disable Polbot chatlines</source>
        <translation>Polbot-Chatzeilen ausblenden</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Customize Time Display:</source>
        <translation>Zeitanzeige anpassen:</translation>
    </message>
    <message>
        <source>Depth of timedisplay</source>
        <translation>Tiefe der Zeitanzeige</translation>
    </message>
    <message>
        <source>Settings file: %1</source>
        <translation>Einstellungsdatei: %1</translation>
    </message>
</context>
<context>
    <name>quorlix::OutputView</name>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Wiederherstellen</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Ausschneiden</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Einfügen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alles auswählen</translation>
    </message>
</context>
<context>
    <name>quorlix::WorkingWindowQt</name>
    <message>
        <source>Working</source>
        <translation>In Arbeit</translation>
    </message>
</context>
</TS>
