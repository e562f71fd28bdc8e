<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Dialogs</name>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Discard</source>
        <translation>&amp;Verwerfen</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>The output was edited since it was last saved.
Save it before closing?</source>
        <translation>Die Ausgabe wurde seit dem letzten Speichern bearbeitet.
Vor dem Schließen speichern?</translation>
    </message>
    <message>
        <source>The output was edited since it was last saved.
Save it before it is replaced?</source>
        <translation>Die Ausgabe wurde seit dem letzten Speichern bearbeitet.
Vor dem Ersetzen speichern?</translation>
    </message>
</context>
<context>
    <name>FileDialogs</name>
    <message>
        <source>Textfile (*.txt)</source>
        <translation>Textdatei (*.txt)</translation>
    </message>
    <message>
        <source>Web page (*.html *.htm)</source>
        <translation>Webseite (*.html *.htm)</translation>
    </message>
    <message>
        <source>Markdown (*.md)</source>
        <translation>Markdown (*.md)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>Numbers</name>
    <message>
        <source>en_US</source>
        <comment>locale of the digit grouping</comment>
        <translation>de_DE</translation>
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
    <name>quorlix::ArchiveExport</name>
    <message>
        <source>Export archive</source>
        <translation>Archiv exportieren</translation>
    </message>
    <message>
        <source>Write the archive there all the same? No file of others is removed; one with the name of a page is replaced.</source>
        <translation>Das Archiv trotzdem dort schreiben? Keine fremde Datei wird entfernt; eine mit dem Namen einer Seite wird ersetzt.</translation>
    </message>
    <message>
        <source>Open the index in the browser?</source>
        <translation>Die Übersicht im Browser öffnen?</translation>
    </message>
    <message>
        <source>Writing the archive…</source>
        <translation>Das Archiv wird geschrieben…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
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
    <name>quorlix::ConversionOptionsPanel</name>
    <message>
        <source>What the output is made for: a forum (UBB or Html), a chat app (Markdown) or a web page of its own</source>
        <translation>Wofür die Ausgabe gemacht wird: ein Forum (UBB oder Html), eine Chat-App (Markdown) oder eine eigene Webseite</translation>
    </message>
    <message>
        <source>Convert &amp;to:</source>
        <translation>Um&amp;wandeln in:</translation>
    </message>
    <message>
        <source>Sho&amp;w Channelname</source>
        <translation>Kanalna&amp;men zeigen</translation>
    </message>
    <message>
        <source>&amp;Use Colors for Channels</source>
        <translation>Farben f&amp;ür Kanäle verwenden</translation>
    </message>
    <message>
        <source>Show Ti&amp;me</source>
        <translation>Zeit zei&amp;gen</translation>
    </message>
    <message>
        <source>Mar&amp;k Removed Links</source>
        <translation>Entfernte Lin&amp;ks markieren</translation>
    </message>
    <message>
        <source>&amp;Delete all Tags in Chatlines</source>
        <translation>Alle Tags in Chatzeilen l&amp;öschen</translation>
    </message>
    <message>
        <source>Web page</source>
        <translation>Webseite</translation>
    </message>
    <message>
        <source>Begin each line with the name of its channel</source>
        <translation>Jede Zeile mit dem Namen ihres Kanals beginnen</translation>
    </message>
    <message>
        <source>Colour the channel&apos;s name as the Options window sets it</source>
        <translation>Den Namen des Kanals in der Farbe aus dem Optionen-Fenster zeigen</translation>
    </message>
    <message>
        <source>Begin each line with its time, in the Options window&apos;s form</source>
        <translation>Jede Zeile mit ihrer Zeit beginnen, in der Form aus dem Optionen-Fenster</translation>
    </message>
    <message>
        <source>Say where a link was taken out of a message</source>
        <translation>Vermerken, wo ein Link aus einer Nachricht entfernt wurde</translation>
    </message>
    <message>
        <source>Take the game&apos;s markup out of the messages</source>
        <translation>Die Auszeichnungen des Spiels aus den Nachrichten entfernen</translation>
    </message>
</context>
<context>
    <name>quorlix::EditCommands</name>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>Wieder&amp;herstellen</translation>
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
        <source>&amp;Select all</source>
        <translation>Alles &amp;markieren</translation>
    </message>
    <message>
        <source>Copy p&amp;art</source>
        <translation>&amp;Teil kopieren</translation>
    </message>
</context>
<context>
    <name>quorlix::FindBar</name>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Previous match (Shift+F3)</source>
        <translation>Vorheriger Treffer (Umschalt+F3)</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Weiter</translation>
    </message>
    <message>
        <source>Next match (F3)</source>
        <translation>Nächster Treffer (F3)</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Close the find bar (Esc)</source>
        <translation>Suchleiste schließen (Esc)</translation>
    </message>
    <message>
        <source>Searching…</source>
        <translation>Suche läuft…</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
    <message>
        <source>%1 matching line</source>
        <translation>%1 passende Zeile</translation>
    </message>
    <message>
        <source>%1 matching lines</source>
        <translation>%1 passende Zeilen</translation>
    </message>
    <message>
        <source>F&amp;ind:</source>
        <translation>Suc&amp;hen:</translation>
    </message>
</context>
<context>
    <name>quorlix::GoToTimeBar</name>
    <message>
        <source>Go to ti&amp;me (UTC):</source>
        <translation>Zu Zei&amp;t springen (UTC):</translation>
    </message>
    <message>
        <source>Go</source>
        <translation>Los</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Close (Esc)</source>
        <translation>Schließen (Esc)</translation>
    </message>
    <message>
        <source>Not a time: write YYYY-MM-DD HH:MM (UTC)</source>
        <translation>Keine Zeitangabe: JJJJ-MM-TT HH:MM (UTC) schreiben</translation>
    </message>
    <message>
        <source>No line at or after that time</source>
        <translation>Keine Zeile zu oder nach dieser Zeit</translation>
    </message>
    <message>
        <source>YYYY-MM-DD HH:MM</source>
        <comment>how a time is typed</comment>
        <translation>JJJJ-MM-TT HH:MM</translation>
    </message>
</context>
<context>
    <name>quorlix::InputPage</name>
    <message>
        <source>&amp;Find...</source>
        <translation>&amp;Suchen...</translation>
    </message>
    <message>
        <source>Find &amp;next</source>
        <translation>&amp;Weitersuchen</translation>
    </message>
    <message>
        <source>Find pre&amp;vious</source>
        <translation>Rückwärts su&amp;chen</translation>
    </message>
    <message>
        <source>&amp;Go to time...</source>
        <translation>Zu &amp;Zeit springen...</translation>
    </message>
    <message>
        <source>Take in</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Reload</source>
        <translation>Neu laden</translation>
    </message>
    <message>
        <source>%1 new line</source>
        <translation>%1 neue Zeile</translation>
    </message>
    <message>
        <source>%1 new lines</source>
        <translation>%1 neue Zeilen</translation>
    </message>
</context>
<context>
    <name>quorlix::LeftPanel</name>
    <message>
        <source>Save the output to a file (Ctrl+S)</source>
        <translation>Die Ausgabe in eine Datei speichern (Strg+S)</translation>
    </message>
    <message>
        <source>Convert the log with the filters and options set (F5)</source>
        <translation>Das Log mit den gesetzten Filtern und Optionen umwandeln (F5)</translation>
    </message>
    <message>
        <source>Open a chat log (Ctrl+O)</source>
        <translation>Ein Chatlog öffnen (Strg+O)</translation>
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
        <source>&amp;Time</source>
        <translation>&amp;Zeit</translation>
    </message>
    <message>
        <source>Sce&amp;nes</source>
        <translation>S&amp;zenen</translation>
    </message>
</context>
<context>
    <name>quorlix::LineView</name>
    <message>
        <source>Scene &amp;starts here</source>
        <translation>Szene &amp;beginnt hier</translation>
    </message>
    <message>
        <source>Scene &amp;ends here</source>
        <translation>Szene &amp;endet hier</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
</context>
<context>
    <name>quorlix::ListFilterBar</name>
    <message>
        <source>Type to narrow</source>
        <translation>Eingrenzen</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Select all entries shown</source>
        <translation>Alle gezeigten Einträge auswählen</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>Select none of the entries shown</source>
        <translation>Keinen der gezeigten Einträge auswählen</translation>
    </message>
</context>
<context>
    <name>quorlix::MainMenu</name>
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
        <source>Convert sce&amp;ne</source>
        <translation>Sze&amp;ne umwandeln</translation>
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
        <source>&amp;Recent logs</source>
        <translation>Zuletzt &amp;geöffnet</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Ü&amp;ber</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>B&amp;earbeiten</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(keine)</translation>
    </message>
    <message>
        <source>Export &amp;archive…</source>
        <translation>&amp;Archiv exportieren…</translation>
    </message>
    <message>
        <source>A&amp;dd log…</source>
        <translation>Log &amp;hinzufügen…</translation>
    </message>
</context>
<context>
    <name>quorlix::MainPages</name>
    <message>
        <source>&amp;Input</source>
        <translation>E&amp;ingabe</translation>
    </message>
    <message>
        <source>Ou&amp;put</source>
        <translation>&amp;Ausgabe</translation>
    </message>
    <message>
        <source>Pre&amp;view</source>
        <translation>Vors&amp;chau</translation>
    </message>
</context>
<context>
    <name>quorlix::MainWindow</name>
    <message>
        <source>Quorlix Version %1</source>
        <translation>Quorlix Version %1</translation>
    </message>
    <message>
        <source>%1 was replaced or shortened: reload to read it again</source>
        <translation>%1 wurde ersetzt oder gekürzt: neu laden, um es wieder zu lesen</translation>
    </message>
    <message>
        <source>%1 is gone; the lines loaded stay</source>
        <translation>%1 ist nicht mehr da; die geladenen Zeilen bleiben</translation>
    </message>
    <message>
        <source>%1 was named twice and is merged once</source>
        <translation>%1 wurde doppelt genannt und nur einmal zusammengeführt</translation>
    </message>
    <message>
        <source>chat logs to forum code</source>
        <translation>Chatlogs in Forencode</translation>
    </message>
    <message>
        <source>and web pages</source>
        <translation>und Webseiten</translation>
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
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>Month</source>
        <translation>Monat</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Stunde</translation>
    </message>
</context>
<context>
    <name>quorlix::OutputPosts</name>
    <message>
        <source>No post limit: the first %L1 of %L2 lines.</source>
        <translation>Keine Beitragsgrenze: die ersten %L1 von %L2 Zeilen.</translation>
    </message>
    <message>
        <source>No post limit: the whole output.</source>
        <translation>Keine Beitragsgrenze: die ganze Ausgabe.</translation>
    </message>
    <message>
        <source>Preview of %1 (%L2 characters).</source>
        <translation>Vorschau: %1 (%L2 Zeichen).</translation>
    </message>
    <message>
        <source>Over the limit of %L1.</source>
        <translation>Über der Grenze von %L1.</translation>
    </message>
    <message>
        <source>Only the first %L1 characters are shown.</source>
        <translation>Nur die ersten %L1 Zeichen werden gezeigt.</translation>
    </message>
    <message>
        <source>Convert again to cut the lines over the new limit</source>
        <translation>Erneut umwandeln, um die Zeilen über der neuen Grenze zu teilen</translation>
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
        <translation>Wieder&amp;herstellen</translation>
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
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>&amp;Select all</source>
        <translation>Alles &amp;markieren</translation>
    </message>
</context>
<context>
    <name>quorlix::PostStrip</name>
    <message>
        <source>%1, over the limit</source>
        <translation>%1, über der Grenze</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>The most characters one post may hold, line breaks counted as two; 0: no limit</source>
        <translation>Höchstzahl der Zeichen eines Beitrags, Zeilenumbrüche doppelt gezählt; 0: keine Grenze</translation>
    </message>
    <message>
        <source>Part %1 of %2 (%3 characters)</source>
        <translation>Teil %1 von %2 (%3 Zeichen)</translation>
    </message>
    <message>
        <source>Part %1 of %2 copied</source>
        <translation>Teil %1 von %2 kopiert</translation>
    </message>
    <message>
        <source>Part %1 of %2 copied; there are no more parts</source>
        <translation>Teil %1 von %2 kopiert; es gibt keine weiteren Teile</translation>
    </message>
    <message>
        <source>Prev&amp;ious</source>
        <translation>Zu&amp;rück</translation>
    </message>
    <message>
        <source>Ne&amp;xt</source>
        <translation>&amp;Vor</translation>
    </message>
    <message>
        <source>Copy &amp;part</source>
        <translation>&amp;Teil kopieren</translation>
    </message>
    <message>
        <source>Copy this part, then show the next (Ctrl+Shift+C)</source>
        <translation>Diesen Teil kopieren, dann den nächsten zeigen (Strg+Umschalt+C)</translation>
    </message>
    <message>
        <source>Cop&amp;y all</source>
        <translation>&amp;Alles kopieren</translation>
    </message>
    <message>
        <source>part %1 of %2</source>
        <translation>Teil %1 von %2</translation>
    </message>
    <message>
        <source>Post li&amp;mit:</source>
        <translation>&amp;Grenze:</translation>
    </message>
    <message>
        <source>Copy the whole output</source>
        <translation>Die ganze Ausgabe kopieren</translation>
    </message>
    <message>
        <source>Show the part before</source>
        <translation>Den Teil davor zeigen</translation>
    </message>
    <message>
        <source>Show the part after</source>
        <translation>Den Teil danach zeigen</translation>
    </message>
</context>
<context>
    <name>quorlix::ScenesPanel</name>
    <message>
        <source>Day, time (UTC), persons</source>
        <translation>Tag, Zeit (UTC), Personen</translation>
    </message>
    <message>
        <source>Lines</source>
        <translation>Zeilen</translation>
    </message>
    <message>
        <source> min</source>
        <translation> Min.</translation>
    </message>
    <message>
        <source>A new scene starts after a silence of more than this</source>
        <translation>Nach einer längeren Stille beginnt eine neue Szene</translation>
    </message>
    <message>
        <source>Conve&amp;rt scene</source>
        <translation>Sze&amp;ne umwandeln</translation>
    </message>
    <message>
        <source>%1 scene</source>
        <translation>%1 Szene</translation>
    </message>
    <message>
        <source>%1 scenes</source>
        <translation>%1 Szenen</translation>
    </message>
    <message>
        <source>(%1 shown)</source>
        <translation>(%1 angezeigt)</translation>
    </message>
    <message>
        <source>No scenes</source>
        <translation>Keine Szenen</translation>
    </message>
    <message>
        <source>Scenes of fewer lines are hidden</source>
        <translation>Szenen mit weniger Zeilen werden ausgeblendet</translation>
    </message>
    <message>
        <source>&amp;Gap:</source>
        <translation>&amp;Pause:</translation>
    </message>
    <message>
        <source>Mi&amp;n. lines:</source>
        <translation>M&amp;in. Zeilen:</translation>
    </message>
    <message>
        <source>Convert the lines of the chosen scene</source>
        <translation>Die Zeilen der gewählten Szene umwandeln</translation>
    </message>
</context>
<context>
    <name>quorlix::SelectionPanel</name>
    <message>
        <source>Convert only the years, months and days selected below</source>
        <translation>Nur die unten gewählten Jahre, Monate und Tage umwandeln</translation>
    </message>
    <message>
        <source>Convert only the lines of the channels selected below</source>
        <translation>Nur die Zeilen der unten gewählten Kanäle umwandeln</translation>
    </message>
    <message>
        <source>Convert only the lines of the persons selected below</source>
        <translation>Nur die Zeilen der unten gewählten Personen umwandeln</translation>
    </message>
    <message>
        <source>Filter Pers&amp;ons</source>
        <translation>Pers&amp;onen filtern</translation>
    </message>
    <message>
        <source>Filter C&amp;hannel</source>
        <translation>Kan&amp;äle filtern</translation>
    </message>
    <message>
        <source>Filte&amp;r Time</source>
        <translation>Zeit &amp;filtern</translation>
    </message>
</context>
<context>
    <name>quorlix::StatusTexts</name>
    <message>
        <source>%1 line</source>
        <translation>%1 Zeile</translation>
    </message>
    <message>
        <source>%1 lines</source>
        <translation>%1 Zeilen</translation>
    </message>
    <message>
        <source>%1 person</source>
        <translation>%1 Person</translation>
    </message>
    <message>
        <source>%1 persons</source>
        <translation>%1 Personen</translation>
    </message>
    <message>
        <source>%1 channel</source>
        <translation>%1 Kanal</translation>
    </message>
    <message>
        <source>%1 channels</source>
        <translation>%1 Kanäle</translation>
    </message>
    <message>
        <source>%1 line converted</source>
        <translation>%1 Zeile umgewandelt</translation>
    </message>
    <message>
        <source>%1 lines converted</source>
        <translation>%1 Zeilen umgewandelt</translation>
    </message>
    <message>
        <source>Archive of %1 scene</source>
        <translation>Archiv von %1 Szene</translation>
    </message>
    <message>
        <source>Archive of %1 scenes</source>
        <translation>Archiv von %1 Szenen</translation>
    </message>
    <message>
        <source>%1 file written</source>
        <translation>%1 Datei geschrieben</translation>
    </message>
    <message>
        <source>%1 files written</source>
        <translation>%1 Dateien geschrieben</translation>
    </message>
    <message>
        <source>%1 page removed</source>
        <translation>%1 Seite entfernt</translation>
    </message>
    <message>
        <source>%1 pages removed</source>
        <translation>%1 Seiten entfernt</translation>
    </message>
    <message>
        <source>cancelled; export again to finish it</source>
        <translation>abgebrochen; erneut exportieren, um es fertigzustellen</translation>
    </message>
    <message>
        <source>%1 logs merged</source>
        <translation>%1 Logs zusammengeführt</translation>
    </message>
    <message>
        <source>%1 duplicate line dropped</source>
        <translation>%1 doppelte Zeile weggelassen</translation>
    </message>
    <message>
        <source>%1 duplicate lines dropped</source>
        <translation>%1 doppelte Zeilen weggelassen</translation>
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
