<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it_IT">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>About Zelmorin</source>
        <translation>Informazioni su Zelmorin</translation>
    </message>
    <message>
        <source>Zelmorin Version 1.11</source>
        <translation>Zelmorin versione 1.11</translation>
    </message>
    <message>
        <source>Copyright © 2026 Quillmoor</source>
        <translation>Copyright © 2026 Quillmoor</translation>
    </message>
    <message>
        <source>Visit our home page at:</source>
        <translation>Visitate il nostro sito:</translation>
    </message>
    <message>
        <source>Send E-mail to:</source>
        <translation>Inviate un messaggio a:</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
</context>
<context>
    <name>CAccessibility</name>
    <message>
        <source>%1 up</source>
        <translation>%1 su</translation>
    </message>
    <message>
        <source>%1 down</source>
        <translation>%1 giù</translation>
    </message>
</context>
<context>
    <name>CAllowanceTexts</name>
    <message>
        <source>- Left %1</source>
        <translation>- Rimasti %1</translation>
    </message>
    <message>
        <source>At this pace it runs out on %1</source>
        <translation>A questo ritmo si esaurisce il %1</translation>
    </message>
    <message>
        <source>At this pace %1 % is left at the period&apos;s end</source>
        <translation>A questo ritmo a fine periodo ne resta il %1 %</translation>
    </message>
    <message>
        <source>Used up, %1 over</source>
        <translation>Esaurito, superato di %1</translation>
    </message>
    <message>
        <source>Too early in the period to tell the pace</source>
        <translation>Troppo presto nel periodo per stimare il ritmo</translation>
    </message>
    <message>
        <source>Zelmorin: the connection time allowance is used up</source>
        <translation>Zelmorin: il tempo di connessione concesso è esaurito</translation>
    </message>
    <message>
        <source>Zelmorin: %1 % of the connection time allowance used</source>
        <translation>Zelmorin: usato il %1 % del tempo di connessione concesso</translation>
    </message>
    <message>
        <source>%1 used of %2, %3 left</source>
        <translation>%1 usati su %2, %3 rimasti</translation>
    </message>
</context>
<context>
    <name>CConnectionDlg</name>
    <message>
        <source>Start day</source>
        <translation>Giorno di inizio</translation>
    </message>
    <message>
        <source>Start year</source>
        <translation>Anno di inizio</translation>
    </message>
    <message>
        <source>Start hours</source>
        <translation>Ore di inizio</translation>
    </message>
    <message>
        <source>Start minutes</source>
        <translation>Minuti di inizio</translation>
    </message>
    <message>
        <source>Start seconds</source>
        <translation>Secondi di inizio</translation>
    </message>
    <message>
        <source>End day</source>
        <translation>Giorno di fine</translation>
    </message>
    <message>
        <source>End year</source>
        <translation>Anno di fine</translation>
    </message>
    <message>
        <source>End hours</source>
        <translation>Ore di fine</translation>
    </message>
    <message>
        <source>End minutes</source>
        <translation>Minuti di fine</translation>
    </message>
    <message>
        <source>End seconds</source>
        <translation>Secondi di fine</translation>
    </message>
    <message>
        <source>Length hours</source>
        <translation>Ore di durata</translation>
    </message>
    <message>
        <source>Length minutes</source>
        <translation>Minuti di durata</translation>
    </message>
    <message>
        <source>Length seconds</source>
        <translation>Secondi di durata</translation>
    </message>
    <message>
        <source>January</source>
        <translation>gennaio</translation>
    </message>
    <message>
        <source>February</source>
        <translation>febbraio</translation>
    </message>
    <message>
        <source>March</source>
        <translation>marzo</translation>
    </message>
    <message>
        <source>April</source>
        <translation>aprile</translation>
    </message>
    <message>
        <source>May</source>
        <translation>maggio</translation>
    </message>
    <message>
        <source>June</source>
        <translation>giugno</translation>
    </message>
    <message>
        <source>July</source>
        <translation>luglio</translation>
    </message>
    <message>
        <source>August</source>
        <translation>agosto</translation>
    </message>
    <message>
        <source>September</source>
        <translation>settembre</translation>
    </message>
    <message>
        <source>October</source>
        <translation>ottobre</translation>
    </message>
    <message>
        <source>November</source>
        <translation>novembre</translation>
    </message>
    <message>
        <source>December</source>
        <translation>dicembre</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <translation>Inserire un numero intero.</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>Inserire un numero intero tra %1 e %2.</translation>
    </message>
    <message>
        <source>Connection</source>
        <translation>Connessione</translation>
    </message>
    <message>
        <source>Start date/time</source>
        <translation>Data/ora di inizio</translation>
    </message>
    <message>
        <source>Hours</source>
        <translation>Ore</translation>
    </message>
    <message>
        <source>Mins</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>Secs</source>
        <translation>Sec</translation>
    </message>
    <message>
        <source>Start month</source>
        <translation>Mese di inizio</translation>
    </message>
    <message>
        <source>End date/time</source>
        <translation>Data/ora di fine</translation>
    </message>
    <message>
        <source>End month</source>
        <translation>Mese di fine</translation>
    </message>
    <message>
        <source>ISP</source>
        <translation>ISP</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Durata</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>The start must lie between %1 and %2.</source>
        <translation>L&apos;inizio deve essere compreso tra %1 e %2.</translation>
    </message>
    <message>
        <source>The end must lie between %1 and %2.</source>
        <translation>La fine deve essere compresa tra %1 e %2.</translation>
    </message>
    <message>
        <source>The end must not lie before the start.</source>
        <translation>La fine non può precedere l&apos;inizio.</translation>
    </message>
</context>
<context>
    <name>CExportFileDialog</name>
    <message>
        <source>Comma Separated Value (*.csv)</source>
        <translation>Valori separati da virgole (*.csv)</translation>
    </message>
    <message>
        <source>Tab Separated Value (*.txt)</source>
        <translation>Valori separati da tabulazioni (*.txt)</translation>
    </message>
</context>
<context>
    <name>CHistoryCommands</name>
    <message>
        <source>The log file %1 was changed by another program since the History window opened, so nothing was written.

Close the History window and open it again to work on the current log.</source>
        <translation>Il file di registro %1 è stato modificato da un altro programma dopo l&apos;apertura della finestra Storico, quindi non è stato scritto nulla.

Chiudere la finestra Storico e riaprirla per lavorare sul registro attuale.</translation>
    </message>
    <message>
        <source>Zelmorin could not write the log file %1:
%2

Your change is kept in this window and is written with the next change that can be saved.</source>
        <translation>Zelmorin non è riuscito a scrivere il file di registro %1:
%2

La modifica resta in questa finestra e verrà scritta con la prossima modifica che si potrà salvare.</translation>
    </message>
    <message>
        <source>Delete...</source>
        <translation>Elimina...</translation>
    </message>
    <message>
        <source>Edit...</source>
        <translation>Modifica...</translation>
    </message>
    <message>
        <source>Add...</source>
        <translation>Aggiungi...</translation>
    </message>
</context>
<context>
    <name>CHistoryExport</name>
    <message>
        <source>Zelmorin could not export the history to %1:
%2

A file of that name that existed before was left as it was.</source>
        <translation>Zelmorin non è riuscito a esportare lo storico in %1:
%2

Un file con quel nome già esistente è stato lasciato com&apos;era.</translation>
    </message>
    <message>
        <source>The file system of %1 has no file locks, so Zelmorin writes there without them. Another program that writes the same file at the same moment could undo a change.</source>
        <translation>Il file system di %1 non offre i blocchi dei file, quindi Zelmorin vi scrive senza. Un altro programma che scriva lo stesso file nello stesso momento potrebbe annullare una modifica.</translation>
    </message>
</context>
<context>
    <name>CHistoryFrame</name>
    <message>
        <source>This period so far: %1</source>
        <translation>Periodo attuale finora: %1</translation>
    </message>
    <message>
        <source>Zelmorin - History</source>
        <translation>Zelmorin - Storico</translation>
    </message>
    <message>
        <source>Show connections of</source>
        <translation>Mostra le connessioni di</translation>
    </message>
    <message>
        <source> All connections</source>
        <translation> Tutte le connessioni</translation>
    </message>
    <message>
        <source>Configure...</source>
        <translation>Configura...</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Stampa...</translation>
    </message>
    <message>
        <source>Export...</source>
        <translation>Esporta...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>Months and days</source>
        <translation>Mesi e giorni</translation>
    </message>
    <message>
        <source>Connections</source>
        <translation>Connessioni</translation>
    </message>
</context>
<context>
    <name>CHistoryList</name>
    <message>
        <source>Start Time</source>
        <translation>Inizio</translation>
    </message>
    <message>
        <source>End Time</source>
        <translation>Fine</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Durata</translation>
    </message>
    <message>
        <source>Connection</source>
        <translation>Connessione</translation>
    </message>
    <message>
        <source>You selected to delete %1 connection.
If you continue with this operation, you will permanently loose these data.

Are you sure to proceed?</source>
        <translation>Si è scelto di eliminare %1 connessione.
Proseguendo, questi dati andranno persi definitivamente.

Procedere?</translation>
    </message>
    <message>
        <source>You selected to delete %1 connections.
If you continue with this operation, you will permanently loose these data.

Are you sure to proceed?</source>
        <translation>Si è scelto di eliminare %1 connessioni.
Proseguendo, questi dati andranno persi definitivamente.

Procedere?</translation>
    </message>
</context>
<context>
    <name>CHistoryPrinter</name>
    <message>
        <source>Printing the history...</source>
        <translation>Stampa dello storico...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>Zelmorin - Print</source>
        <translation>Zelmorin - Stampa</translation>
    </message>
    <message>
        <source>Printing page %1 of %2...</source>
        <translation>Stampa della pagina %1 di %2...</translation>
    </message>
    <message>
        <source>Zelmorin 1.0 - History at %1</source>
        <translation>Zelmorin 1.0 - Storico al %1</translation>
    </message>
</context>
<context>
    <name>CHistoryTree</name>
    <message>
        <source>You selected to delete an entire day&apos;s history.
If you proceed with this operation, you will permanently loose these data.

Are you sure to delete the &quot;%1&quot; connections?</source>
        <translation>Si è scelto di eliminare lo storico di un intero giorno.
Proseguendo, questi dati andranno persi definitivamente.

Eliminare davvero le connessioni di &quot;%1&quot;?</translation>
    </message>
    <message>
        <source>You selected to delete an entire month&apos;s history.
If you proceed with this operation, you will permanently loose these data.

Are you sure to delete the &quot;%1&quot; connections?</source>
        <translation>Si è scelto di eliminare lo storico di un intero mese.
Proseguendo, questi dati andranno persi definitivamente.

Eliminare davvero le connessioni di &quot;%1&quot;?</translation>
    </message>
</context>
<context>
    <name>CMonitorApp</name>
    <message>
        <source>Zelmorin is already running.</source>
        <translation>Zelmorin è già in esecuzione.</translation>
    </message>
</context>
<context>
    <name>CMonitorDlg</name>
    <message>
        <source>- Total </source>
        <translation>- Totale </translation>
    </message>
    <message>
        <source>- Today </source>
        <translation>- Oggi </translation>
    </message>
    <message>
        <source>- Week </source>
        <translation>- Settimana </translation>
    </message>
    <message>
        <source>- Month </source>
        <translation>- Mese </translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Non connesso</translation>
    </message>
    <message>
        <source>History...</source>
        <translation>Storico...</translation>
    </message>
    <message>
        <source>Zelmorin - Not connected</source>
        <translation>Zelmorin - Non connesso</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>Nascondi</translation>
    </message>
    <message>
        <source>Always on top</source>
        <translation>Sempre in primo piano</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>Totale</translation>
    </message>
    <message>
        <source>Help...</source>
        <translation>Guida...</translation>
    </message>
    <message>
        <source>Preferences..</source>
        <translation>Preferenze..</translation>
    </message>
    <message>
        <source>About Zelmorin</source>
        <translation>Informazioni su Zelmorin</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Esci</translation>
    </message>
    <message>
        <source>The desktop decides which window stays on top.</source>
        <translation>È il desktop a decidere quale finestra resta in primo piano.</translation>
    </message>
    <message>
        <source>No connection service</source>
        <translation>Nessun servizio</translation>
    </message>
    <message>
        <source>No connection service was found: neither NetworkManager nor pppd. To choose one, start Zelmorin with ZELMORIN_RAS set to nm (NetworkManager), pppd, or sim:FILE (the simulator).</source>
        <translation>Nessun servizio di connessione trovato: né NetworkManager né pppd. Per sceglierne uno, avviare Zelmorin con ZELMORIN_RAS impostata a nm (NetworkManager), pppd o sim:FILE (il simulatore).</translation>
    </message>
    <message>
        <source>Watching %1</source>
        <translation>Servizio controllato: %1</translation>
    </message>
    <message>
        <source>the simulator</source>
        <translation>il simulatore</translation>
    </message>
</context>
<context>
    <name>CNewPasswordDlg</name>
    <message>
        <source>New Password</source>
        <translation>Nuova password</translation>
    </message>
    <message>
        <source>Enter the password:</source>
        <translation>Inserire la password:</translation>
    </message>
    <message>
        <source>Please, re-enter the password:</source>
        <translation>Inserire di nuovo la password:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>The password you typed is incorrect. Please retry.</source>
        <translation>La password digitata non è corretta. Riprovare.</translation>
    </message>
    <message>
        <source>You typed an empty password, this will remove the password protection.

Continue?</source>
        <translation>La password digitata è vuota: la protezione con password verrà rimossa.

Continuare?</translation>
    </message>
</context>
<context>
    <name>CPasswordDlg</name>
    <message>
        <source>Password required</source>
        <translation>Password richiesta</translation>
    </message>
    <message>
        <source>Please, enter password:</source>
        <translation>Inserire la password:</translation>
    </message>
    <message>
        <source>Note: password is case-insensitive.</source>
        <translation>Nota: maiuscole e minuscole non contano.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
</context>
<context>
    <name>CPreferences</name>
    <message>
        <source>Zelmorin - Properties</source>
        <translation>Zelmorin - Proprietà</translation>
    </message>
</context>
<context>
    <name>CPropPageAdvanced</name>
    <message>
        <source>Advanced</source>
        <translation>Avanzate</translation>
    </message>
    <message>
        <source>&amp;Auto-load at Startup</source>
        <translation>&amp;Avvio automatico all&apos;accesso</translation>
    </message>
    <message>
        <source>Enable History &amp;Editing</source>
        <translation>Abilita la &amp;modifica dello storico</translation>
    </message>
    <message>
        <source>&amp;Password protection</source>
        <translation>&amp;Protezione con password</translation>
    </message>
    <message>
        <source>With password protection you can restrict the access to the following Zelmorin&apos;s functions:</source>
        <translation>Con la protezione con password si può limitare l&apos;accesso alle seguenti funzioni di Zelmorin:</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Esci</translation>
    </message>
    <message>
        <source>&amp;Configure</source>
        <translation>&amp;Configurazione</translation>
    </message>
    <message>
        <source>&amp;History View</source>
        <translation>&amp;Visualizzazione storico</translation>
    </message>
    <message>
        <source>&amp;New password...</source>
        <translation>&amp;Nuova password...</translation>
    </message>
</context>
<context>
    <name>CPropPageAllowance</name>
    <message>
        <source>Allowance</source>
        <translation>Tempo concesso</translation>
    </message>
    <message>
        <source>Limit the connection time</source>
        <translation>Limita il tempo di connessione</translation>
    </message>
    <message>
        <source>Hours</source>
        <translation>Ore</translation>
    </message>
    <message>
        <source>Minutes</source>
        <translation>Minuti</translation>
    </message>
    <message>
        <source>Every</source>
        <translation>Ogni</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>Giorno</translation>
    </message>
    <message>
        <source>Week</source>
        <translation>Settimana</translation>
    </message>
    <message>
        <source>Month</source>
        <translation>Mese</translation>
    </message>
    <message>
        <source>Counting</source>
        <translation>Conteggio</translation>
    </message>
    <message>
        <source>Warn at</source>
        <translation>Avvisa al</translation>
    </message>
    <message>
        <source>% of the allowance</source>
        <translation>% del limite</translation>
    </message>
    <message>
        <source>Weeks and months begin on the days chosen on the General page. A second warning comes when the allowance is used up.</source>
        <translation>Settimane e mesi iniziano nei giorni scelti nella pagina Generale. Un secondo avviso arriva quando il limite è esaurito.</translation>
    </message>
    <message>
        <source>The allowance must be at least one minute.</source>
        <translation>Il limite deve essere di almeno un minuto.</translation>
    </message>
    <message>
        <source>The allowance cannot be more than %1 hours, the length of the period.</source>
        <translation>Il limite non può superare %1 ore, la durata del periodo.</translation>
    </message>
</context>
<context>
    <name>CPropPageGeneral</name>
    <message>
        <source>Sunday</source>
        <translation>domenica</translation>
    </message>
    <message>
        <source>Monday</source>
        <translation>lunedì</translation>
    </message>
    <message>
        <source>Tuesday</source>
        <translation>martedì</translation>
    </message>
    <message>
        <source>Wednesday</source>
        <translation>mercoledì</translation>
    </message>
    <message>
        <source>Thursday</source>
        <translation>giovedì</translation>
    </message>
    <message>
        <source>Friday</source>
        <translation>venerdì</translation>
    </message>
    <message>
        <source>Saturday</source>
        <translation>sabato</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Generale</translation>
    </message>
    <message>
        <source>Hide the main Window</source>
        <translation>Nascondi la finestra principale</translation>
    </message>
    <message>
        <source>Show when connected</source>
        <translation>Mostra durante la connessione</translation>
    </message>
    <message>
        <source>Always on top</source>
        <translation>Sempre in primo piano</translation>
    </message>
    <message>
        <source>Total on window title and tool-tip</source>
        <translation>Totale nel titolo e nel suggerimento</translation>
    </message>
    <message>
        <source>Connection counted in the total</source>
        <translation>Connessione contata nel totale</translation>
    </message>
    <message>
        <source>Since Installation</source>
        <translation>Dall&apos;installazione</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>Oggi</translation>
    </message>
    <message>
        <source>This week</source>
        <translation>Questa settimana</translation>
    </message>
    <message>
        <source>This month</source>
        <translation>Questo mese</translation>
    </message>
    <message>
        <source>Week starts on</source>
        <translation>La settimana inizia</translation>
    </message>
    <message>
        <source>Start day</source>
        <translation>Giorno di inizio</translation>
    </message>
    <message>
        <source> All connections</source>
        <translation> Tutte le connessioni</translation>
    </message>
    <message>
        <source>The desktop decides which window stays on top.</source>
        <translation>È il desktop a decidere quale finestra resta in primo piano.</translation>
    </message>
</context>
<context>
    <name>CPropPageHistory</name>
    <message>
        <source>History</source>
        <translation>Storico</translation>
    </message>
    <message>
        <source>Day date format in tree view</source>
        <translation>Formato della data dei giorni nell&apos;albero</translation>
    </message>
    <message>
        <source>Details date format in list view</source>
        <translation>Formato della data nell&apos;elenco</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Nessuno</translation>
    </message>
    <message>
        <source>Zelmorin - History properties</source>
        <translation>Zelmorin - Proprietà dello storico</translation>
    </message>
</context>
<context>
    <name>CPropertyPage</name>
    <message>
        <source>Please enter an integer.</source>
        <translation>Inserire un numero intero.</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>Inserire un numero intero tra %1 e %2.</translation>
    </message>
</context>
<context>
    <name>CPropertySheet</name>
    <message>
        <source>Pages</source>
        <translation>Pagine</translation>
    </message>
</context>
<context>
    <name>CUsageChart</name>
    <message>
        <source>Allowance: %1 a day</source>
        <translation>Tempo concesso: %1 al giorno</translation>
    </message>
    <message>
        <source>Allowance: %1 a week</source>
        <translation>Tempo concesso: %1 alla settimana</translation>
    </message>
    <message>
        <source>Allowance: %1 a month</source>
        <translation>Tempo concesso: %1 al mese</translation>
    </message>
    <message>
        <source>Allowance</source>
        <translation>Tempo concesso</translation>
    </message>
    <message>
        <source>Connection time</source>
        <translation>Tempo di connessione</translation>
    </message>
</context>
<context>
    <name>CUsageChartView</name>
    <message>
        <source>Chart of connection time</source>
        <translation>Grafico del tempo di connessione</translation>
    </message>
    <message>
        <source>Bars of the chart</source>
        <translation>Barre del grafico</translation>
    </message>
    <message>
        <source>Days of the month</source>
        <translation>Giorni del mese</translation>
    </message>
    <message>
        <source>Months of the year</source>
        <translation>Mesi dell&apos;anno</translation>
    </message>
    <message>
        <source>Save Chart as PNG...</source>
        <translation>Salva grafico come PNG...</translation>
    </message>
    <message>
        <source>Save Chart as PNG</source>
        <translation>Salva grafico come PNG</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>Immagine PNG (*.png)</translation>
    </message>
    <message>
        <source>Zelmorin chart.png</source>
        <translation>Grafico Zelmorin.png</translation>
    </message>
    <message>
        <source>The picture could not be encoded.</source>
        <translation>Non è stato possibile codificare l&apos;immagine.</translation>
    </message>
    <message>
        <source>Zelmorin could not save the chart to %1:
%2

A file of that name that existed before was left as it was.</source>
        <translation>Zelmorin non è riuscito a salvare il grafico in %1:
%2

Un file con quel nome già esistente è stato lasciato com&apos;era.</translation>
    </message>
</context>
<context>
    <name>CUserMessage</name>
    <message>
        <source>Zelmorin cannot read %1; it is left in place.</source>
        <translation>Zelmorin non riesce a leggere %1; il file resta dov&apos;è.</translation>
    </message>
    <message>
        <source>%1 is not a regular file; it is left in place.</source>
        <translation>%1 non è un file normale; resta dov&apos;è.</translation>
    </message>
    <message>
        <source>%1 is too big (%2 bytes) to be a file of Zelmorin&apos;s; it is left in place.</source>
        <translation>%1 è troppo grande (%2 byte) per essere un file di Zelmorin; resta dov&apos;è.</translation>
    </message>
    <message>
        <source>%1 is too big to be a file of Zelmorin&apos;s; it is left in place.</source>
        <translation>%1 è troppo grande per essere un file di Zelmorin; resta dov&apos;è.</translation>
    </message>
    <message>
        <source>%1 was damaged; it has been kept as %2.</source>
        <translation>%1 era danneggiato; è stato conservato come %2.</translation>
    </message>
    <message>
        <source>%1 is damaged and cannot be set aside (%2); it is left in place.</source>
        <translation>%1 è danneggiato e non può essere messo da parte (%2); resta dov&apos;è.</translation>
    </message>
    <message>
        <source>Zelmorin could not write the connections left from its last run to the log file %1 (%2); they are kept for the next start.</source>
        <translation>Zelmorin non ha potuto scrivere nel file di registro %1 (%2) le connessioni rimaste dall&apos;ultima esecuzione; sono conservate per il prossimo avvio.</translation>
    </message>
    <message>
        <source>Zelmorin cannot rewrite %1.</source>
        <translation>Zelmorin non riesce a riscrivere %1.</translation>
    </message>
    <message>
        <source>Zelmorin cannot remove %1.</source>
        <translation>Zelmorin non riesce a eliminare %1.</translation>
    </message>
    <message>
        <source>Zelmorin could not write to the log file %1 (%2). The connection is kept and will be written as soon as the log can be written.</source>
        <translation>Zelmorin non ha potuto scrivere nel file di registro %1 (%2). La connessione è conservata e sarà scritta appena il registro sarà scrivibile.</translation>
    </message>
    <message>
        <source>Zelmorin cannot write %1. A connection may be lost if the program stops before this is put right.</source>
        <translation>Zelmorin non riesce a scrivere %1. Una connessione può andare persa se il programma si ferma prima che il problema sia risolto.</translation>
    </message>
    <message>
        <source>The file system of %1 has no file locks, so Zelmorin writes there without them. Another program that writes the same file at the same moment could undo a change.</source>
        <translation>Il file system di %1 non offre i blocchi dei file, quindi Zelmorin vi scrive senza. Un altro programma che scriva lo stesso file nello stesso momento potrebbe annullare una modifica.</translation>
    </message>
</context>
</TS>
