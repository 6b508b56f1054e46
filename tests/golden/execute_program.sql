/* EXECUTE PROGRAM runs a program and waits for it; one that cannot start ends the run. */
EXECUTE PROGRAM 'true';
EXECUTE PROGRAM nosuchprogram;
ECHO never shown;
