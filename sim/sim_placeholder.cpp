// qorsim is built here.
