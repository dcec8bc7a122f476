<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ResourceString</name>
    <message>
        <source>Timeout !</source>
        <comment>65284</comment>
        <translation>Zeitüberschreitung !</translation>
    </message>
    <message>
        <source>Port not exists !</source>
        <comment>65311</comment>
        <translation>Port existiert nicht !</translation>
    </message>
    <message>
        <source>Port not active !</source>
        <comment>65280</comment>
        <translation>Port nicht aktiv !</translation>
    </message>
    <message>
        <source>Device list is empty !</source>
        <comment>65281</comment>
        <translation>Geräteliste ist leer !</translation>
    </message>
    <message>
        <source>No Device !</source>
        <comment>65282</comment>
        <translation>Kein Gerät !</translation>
    </message>
    <message>
        <source>CYC-Timeout !</source>
        <comment>65285</comment>
        <translation>CYC-Zeitüberschreitung !</translation>
    </message>
    <message>
        <source>Device not found !</source>
        <comment>65283</comment>
        <translation>Gerät nicht gefunden !</translation>
    </message>
    <message>
        <source>Receive buffer full !</source>
        <comment>65286</comment>
        <translation>Empfangspuffer voll !</translation>
    </message>
    <message>
        <source>Unknown command !</source>
        <comment>65287</comment>
        <translation>Unbekannter Befehl !</translation>
    </message>
    <message>
        <source>Wrong address !</source>
        <comment>65288</comment>
        <translation>Falsche Adresse !</translation>
    </message>
    <message>
        <source>Bad checksum !</source>
        <comment>65289</comment>
        <translation>Falsche Prüfsumme !</translation>
    </message>
    <message>
        <source>NAK !</source>
        <comment>65290</comment>
        <translation>NAK !</translation>
    </message>
    <message>
        <source>Bad command line !</source>
        <comment>65291</comment>
        <translation>Fehlerhafte Befehlszeile !</translation>
    </message>
    <message>
        <source>Unable to stop CYC mode!</source>
        <comment>65292</comment>
        <translation>CYC-Modus kann nicht beendet werden!</translation>
    </message>
    <message>
        <source>Connection error!</source>
        <comment>65293</comment>
        <translation>Verbindungsfehler!</translation>
    </message>
    <message>
        <source>Data send error!</source>
        <comment>65294</comment>
        <translation>Fehler beim Senden der Daten!</translation>
    </message>
    <message>
        <source>Device not disconnected!</source>
        <comment>65295</comment>
        <translation>Gerät nicht getrennt!</translation>
    </message>
</context>
<context>
    <name>TDabrixApplication</name>
    <message>
        <source>An unexpected error occurred.</source>
        <translation>Ein unerwarteter Fehler ist aufgetreten.</translation>
    </message>
</context>
<context>
    <name>TInfoForm</name>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Basic Edition</source>
        <translation>Basic Edition</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Copyright © 2025 Dabrix Messtechnik GmbH</source>
        <translation>Copyright © 2025 Dabrix Messtechnik GmbH</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Measuring made simple.</source>
        <translation>Messen leicht gemacht.</translation>
    </message>
    <message>
        <source>Phone: +49 (0)1234 56789-0</source>
        <translation>Telefon: +49 (0)1234 56789-0</translation>
    </message>
    <message>
        <source>Fax: +49 (0)1234 56789-9</source>
        <translation>Fax: +49 (0)1234 56789-9</translation>
    </message>
    <message>
        <source>E-mail: %1</source>
        <translation>E-Mail: %1</translation>
    </message>
    <message>
        <source>Web: www.dabrix.example</source>
        <translation>Web: www.dabrix.example</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>Kontakt</translation>
    </message>
</context>
<context>
    <name>TMainForm</name>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save as...</source>
        <translation>Speichern unter...</translation>
    </message>
    <message>
        <source>Printer Setup</source>
        <translation>Druckereinrichtung</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Ausschneiden</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Mark all</source>
        <translation>Alles markieren</translation>
    </message>
    <message>
        <source>Clear Screen</source>
        <translation>Bildschirm löschen</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Gauge</source>
        <translation>Messgerät</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manuell</translation>
    </message>
    <message>
        <source>Pricor (Cable)</source>
        <translation>Pricor (Kabel)</translation>
    </message>
    <message>
        <source>Pricor (Infraredadapter at COM)</source>
        <translation>Pricor (Infrarotadapter an COM)</translation>
    </message>
    <message>
        <source>Lakmo 3X0/3X00 / Sonavel 3 (Infrared)</source>
        <translation>Lakmo 3X0/3X00 / Sonavel 3 (Infrarot)</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Infrared</source>
        <translation>Infrarot</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Help about Dabrix</source>
        <translation>Hilfe zu Dabrix</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>German</source>
        <translation>Deutsch</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Englisch</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Französisch</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Tool bar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Received data</source>
        <translation>Empfangene Daten</translation>
    </message>
    <message>
        <source>Link status</source>
        <translation>Verbindungsstatus</translation>
    </message>
    <message>
        <source>Baud rate</source>
        <translation>Baudrate</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbenannt</translation>
    </message>
    <message>
        <source>%1 - %2</source>
        <translation>%1 - %2</translation>
    </message>
    <message>
        <source>Saving the change in %1 ?</source>
        <translation>Änderungen in %1 speichern ?</translation>
    </message>
    <message>
        <source>Cannot write the file %1:
%2</source>
        <translation>Die Datei %1 kann nicht geschrieben werden:
%2</translation>
    </message>
    <message>
        <source>Overwrite %1 ?</source>
        <translation>%1 überschreiben ?</translation>
    </message>
    <message>
        <source>Clear screen ?</source>
        <translation>Bildschirm löschen ?</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>&apos;%1&apos; ist kein gültiger Integerwert</translation>
    </message>
    <message>
        <source>No interface is free / available !!!</source>
        <translation>Keine Schnittstelle frei / verfügbar !!!</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Getrennt</translation>
    </message>
    <message>
        <source>Search device...</source>
        <translation>Suche Gerät...</translation>
    </message>
    <message>
        <source>Wait...</source>
        <translation>Warte...</translation>
    </message>
    <message>
        <source>Connected...</source>
        <translation>Verbunden...</translation>
    </message>
    <message>
        <source> Baud</source>
        <translation> Baud</translation>
    </message>
    <message>
        <source>The application must be restarted.<byte value="xd"/>
<byte value="xd"/>
Restart now ?</source>
        <translation>Das Programm muss neu gestartet werden.<byte value="xd"/>
<byte value="xd"/>
Jetzt neu starten ?</translation>
    </message>
    <message>
        <source>File %1 does not exist!</source>
        <translation>Die Datei %1 existiert nicht!</translation>
    </message>
    <message>
        <source>Cannot read the file %1:
%2</source>
        <translation>Die Datei %1 kann nicht gelesen werden:
%2</translation>
    </message>
    <message>
        <source>The document could not be printed on %1.</source>
        <translation>Das Dokument konnte nicht auf %1 gedruckt werden.</translation>
    </message>
    <message>
        <source>This is not a regular file.</source>
        <translation>Dies ist keine normale Datei.</translation>
    </message>
    <message>
        <source>The file is too large (%1 MB; at most %2 MB can be opened).</source>
        <translation>Die Datei ist zu groß (%1 MB; höchstens %2 MB können geöffnet werden).</translation>
    </message>
    <message>
        <source>This is a folder.</source>
        <translation>Dies ist ein Ordner.</translation>
    </message>
</context>
<context>
    <name>TMainFormDialogs</name>
    <message>
        <source>Text (*.TXT *.txt)</source>
        <translation>Text (*.TXT *.txt)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Open read-only</source>
        <translation>Schreibgeschützt öffnen</translation>
    </message>
</context>
<context>
    <name>TSelectDeviceForm</name>
    <message>
        <source>Select Device</source>
        <translation>Gerät auswählen</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>Geräte</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TSerialDialogForm</name>
    <message>
        <source>COM - Settings</source>
        <translation>COM - Einstellungen</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Baud:</source>
        <translation>Baud:</translation>
    </message>
    <message>
        <source>8 data bits, 1 stop bit, no parity</source>
        <translation>8 Datenbits, 1 Stoppbit, keine Parität</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
</TS>
